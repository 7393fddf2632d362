#include "row_names.h"

#include "recording_columns.h"

const char* directionName(Direction direction)
{
    switch (direction) {
    case Direction::PanelToCard: return recording::kPanelToCard;
    case Direction::CardToPanel: return recording::kCardToPanel;
    case Direction::None: break;
    }
    return "";
}

const char* kindName(RowKind kind)
{
    switch (kind) {
    case RowKind::Request: return recording::kRequest;
    case RowKind::Reply: return recording::kReply;
    case RowKind::DeviceGone: return recording::kDeviceGone;
    case RowKind::DeviceBack: return recording::kDeviceBack;
    case RowKind::RowsDropped: return recording::kRowsDropped;
    case RowKind::Unframed: break;
    }
    return recording::kUnframed;
}

Direction directionNamed(std::string_view name)
{
    for (Direction direction : {Direction::PanelToCard, Direction::CardToPanel})
        if (name == directionName(direction))
            return direction;
    return Direction::None;
}

RowKind kindNamed(std::string_view name)
{
    for (RowKind kind : {RowKind::Request, RowKind::Reply, RowKind::DeviceGone, RowKind::DeviceBack, RowKind::RowsDropped})
        if (name == kindName(kind))
            return kind;
    return RowKind::Unframed;
}
