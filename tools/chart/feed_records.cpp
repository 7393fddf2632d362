#include "feed_records.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

struct Head {
    std::int64_t wallUs;
    std::uint8_t direction;
    std::uint8_t kind;
    std::uint16_t byteCount;
    std::uint16_t noteLength;
    std::uint16_t unused;  // no padding, so no byte of the record is left unset
};

constexpr std::size_t kHeadSize = sizeof(Head);
static_assert(kHeadSize == 16, "a head without padding");

} // namespace

void appendFeedRecord(std::string& records, const TapRow& row)
{
    const std::size_t byteCount = std::min(row.bytes.size(), kLongestFeedRecord - kHeadSize);
    const std::size_t noteLength = std::min(row.note.size(), kLongestFeedRecord - kHeadSize - byteCount);
    const Head head{row.wallUs, static_cast<std::uint8_t>(row.direction), static_cast<std::uint8_t>(row.kind),
                    static_cast<std::uint16_t>(byteCount), static_cast<std::uint16_t>(noteLength), 0};
    records.append(reinterpret_cast<const char*>(&head), kHeadSize);
    records.append(reinterpret_cast<const char*>(row.bytes.data()), byteCount);
    records.append(row.note, 0, noteLength);
}

bool takeFeedRecords(std::string& records, std::vector<TapRow>& rows)
{
    std::size_t at = 0;
    while (records.size() - at >= kHeadSize) {
        Head head{};
        std::memcpy(&head, records.data() + at, kHeadSize);
        if (head.direction > static_cast<std::uint8_t>(Direction::None)
            || head.kind > static_cast<std::uint8_t>(RowKind::RowsDropped)
            || kHeadSize + head.byteCount + head.noteLength > kLongestFeedRecord) {
            records.clear();
            return false;
        }
        const std::size_t size = kHeadSize + head.byteCount + head.noteLength;
        if (records.size() - at < size)
            break;
        const char* bytes = records.data() + at + kHeadSize;
        rows.push_back({head.wallUs, static_cast<Direction>(head.direction), static_cast<RowKind>(head.kind),
                        std::vector<std::uint8_t>(bytes, bytes + head.byteCount),
                        std::string(bytes + head.byteCount, head.noteLength)});
        at += size;
    }
    records.erase(0, at);
    return true;
}
