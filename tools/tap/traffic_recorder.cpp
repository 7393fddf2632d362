#include "traffic_recorder.h"

#include "recording_columns.h"

#include <algorithm>

namespace {

void oldestFirst(std::vector<TapRow>& rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const TapRow& a, const TapRow& b) { return a.wallUs < b.wallUs; });
}

} // namespace

std::vector<TapRow> TrafficRecorder::record(Direction direction, const std::uint8_t* data, std::size_t size,
                                            Moment at)
{
    std::vector<TapRow> rows;
    if (direction == Direction::PanelToCard) {
        // The panel sends after reading what the card sent: that ends the card's group.
        closeCardGroup(rows);
        const std::string note = cardPresent_ ? std::string() : recording::kNotDelivered;
        for (card_link::ScannedPiece& piece : panelScanner().scan(data, size))
            rows.push_back({at.wallUs, direction, piece.frame ? RowKind::Request : RowKind::Unframed,
                            std::move(piece.bytes), note});
        panelLast_ = at;
        return rows;
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (cardGroup_.empty())
            cardFirst_ = at;
        cardGroup_.push_back(data[i]);
        if (cardGroup_.size() == kLongestGroup)
            closeCardGroup(rows);
    }
    cardLastUs_ = at.monotonicUs;
    return rows;
}

std::vector<TapRow> TrafficRecorder::deviceGone(const std::string& reason, Moment at)
{
    std::vector<TapRow> rows;
    closeCardGroup(rows);
    // A frame begun before the outage cannot be completed by bytes the card never gets.
    settlePanelPending(requests_, rows);
    oldestFirst(rows);
    rows.push_back({at.wallUs, Direction::None, RowKind::DeviceGone, {}, reason});
    cardPresent_ = false;
    return rows;
}

std::vector<TapRow> TrafficRecorder::deviceBack(const std::string& device, Moment at)
{
    std::vector<TapRow> rows;
    settlePanelPending(undelivered_, rows);
    rows.push_back({at.wallUs, Direction::None, RowKind::DeviceBack, {}, device});
    cardPresent_ = true;
    return rows;
}

std::vector<TapRow> TrafficRecorder::settleQuiet(std::int64_t nowMonotonicUs)
{
    std::vector<TapRow> rows;
    if (!cardGroup_.empty() && nowMonotonicUs - cardLastUs_ >= kQuietGapUs)
        closeCardGroup(rows);
    return rows;
}

std::optional<std::int64_t> TrafficRecorder::nextDeadline() const
{
    if (cardGroup_.empty())
        return std::nullopt;
    return cardLastUs_ + kQuietGapUs;
}

std::vector<TapRow> TrafficRecorder::finish()
{
    std::vector<TapRow> rows;
    settlePanelPending(requests_, rows);
    settlePanelPending(undelivered_, rows);
    closeCardGroup(rows);
    oldestFirst(rows);
    return rows;
}

void TrafficRecorder::closeCardGroup(std::vector<TapRow>& rows)
{
    if (cardGroup_.empty())
        return;
    const RowKind kind = cardGroup_.size() == 3 ? RowKind::Reply : RowKind::Unframed;
    rows.push_back({cardFirst_.wallUs, Direction::CardToPanel, kind, std::move(cardGroup_), {}});
    cardGroup_.clear();
}

void TrafficRecorder::settlePanelPending(card_link::FrameScanner& scanner, std::vector<TapRow>& rows)
{
    std::vector<std::uint8_t> bytes = scanner.takePending();
    if (!bytes.empty())
        rows.push_back({panelLast_.wallUs, Direction::PanelToCard, RowKind::Unframed, std::move(bytes),
                        &scanner == &undelivered_ ? recording::kNotDelivered : std::string()});
}
