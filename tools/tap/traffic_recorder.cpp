#include "traffic_recorder.h"

#include <algorithm>

std::vector<TapRow> TrafficRecorder::record(Direction direction, const std::uint8_t* data, std::size_t size,
                                            Moment at)
{
    std::vector<TapRow> rows;
    if (direction == Direction::PanelToCard) {
        // The panel sends after reading what the card sent: that ends the card's group.
        closeCardGroup(rows);
        for (ScannedPiece& piece : requests_.scan(data, size))
            rows.push_back({at.wallUs, direction, piece.frame ? RowKind::Request : RowKind::Unframed,
                            std::move(piece.bytes)});
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

std::vector<TapRow> TrafficRecorder::settleQuiet(std::int64_t nowMonotonicUs)
{
    std::vector<TapRow> rows;
    if (requests_.pending() > 0 && nowMonotonicUs - panelLast_.monotonicUs >= kQuietGapUs)
        settlePanelPending(rows);
    if (!cardGroup_.empty() && nowMonotonicUs - cardLastUs_ >= kQuietGapUs)
        closeCardGroup(rows);
    // Oldest first, whichever side it came from.
    std::stable_sort(rows.begin(), rows.end(), [](const TapRow& a, const TapRow& b) { return a.wallUs < b.wallUs; });
    return rows;
}

std::optional<std::int64_t> TrafficRecorder::nextDeadline() const
{
    std::optional<std::int64_t> deadline;
    if (requests_.pending() > 0)
        deadline = panelLast_.monotonicUs + kQuietGapUs;
    if (!cardGroup_.empty())
        deadline = std::min(deadline.value_or(INT64_MAX), cardLastUs_ + kQuietGapUs);
    return deadline;
}

std::vector<TapRow> TrafficRecorder::finish()
{
    std::vector<TapRow> rows;
    settlePanelPending(rows);
    closeCardGroup(rows);
    std::stable_sort(rows.begin(), rows.end(), [](const TapRow& a, const TapRow& b) { return a.wallUs < b.wallUs; });
    return rows;
}

void TrafficRecorder::closeCardGroup(std::vector<TapRow>& rows)
{
    if (cardGroup_.empty())
        return;
    const RowKind kind = cardGroup_.size() == 3 ? RowKind::Reply : RowKind::Unframed;
    rows.push_back({cardFirst_.wallUs, Direction::CardToPanel, kind, std::move(cardGroup_)});
    cardGroup_.clear();
}

void TrafficRecorder::settlePanelPending(std::vector<TapRow>& rows)
{
    std::vector<std::uint8_t> bytes = requests_.takePending();
    if (!bytes.empty())
        rows.push_back({panelLast_.wallUs, Direction::PanelToCard, RowKind::Unframed, std::move(bytes)});
}
