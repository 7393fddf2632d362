#include "row_names.h"

#include "recording_columns.h"

#include <utility>

namespace {

using DirectionName = std::pair<Direction, const char*>;
using KindName = std::pair<RowKind, const char*>;

constexpr DirectionName kDirections[] = {
    {Direction::PanelToCard, recording::kPanelToCard},
    {Direction::CardToPanel, recording::kCardToPanel},
    {Direction::None, ""},
};

constexpr KindName kKinds[] = {
    {RowKind::Request, recording::kRequest},
    {RowKind::Reply, recording::kReply},
    {RowKind::Unframed, recording::kUnframed},
    {RowKind::DeviceGone, recording::kDeviceGone},
    {RowKind::DeviceBack, recording::kDeviceBack},
    {RowKind::RowsDropped, recording::kRowsDropped},
};

template <typename Value, std::size_t Count>
const char* nameOf(const std::pair<Value, const char*> (&names)[Count], Value value, const char* otherwise)
{
    for (const auto& [candidate, name] : names)
        if (candidate == value)
            return name;
    return otherwise;
}

template <typename Value, std::size_t Count>
Value valueNamed(const std::pair<Value, const char*> (&names)[Count], std::string_view text, Value otherwise)
{
    for (const auto& [value, name] : names)
        if (text == name)
            return value;
    return otherwise;
}

} // namespace

const char* directionName(Direction direction)
{
    return nameOf(kDirections, direction, "");
}

const char* kindName(RowKind kind)
{
    return nameOf(kKinds, kind, recording::kUnframed);
}

Direction directionNamed(std::string_view name)
{
    return valueNamed(kDirections, name, Direction::None);
}

RowKind kindNamed(std::string_view name)
{
    return valueNamed(kKinds, name, RowKind::Unframed);
}
