#include "reference_walker.h"

#include <optional>

namespace tonvex::test {

namespace {

class Walker {
public:
    explicit Walker(std::span<const std::uint8_t> file) : m_file(file) {}

    Walk run()
    {
        Walk walk;
        walk.readable = walkFile(walk);
        walk.consumed = m_at;
        return walk;
    }

private:
    bool has(std::size_t count) const { return m_file.size() - m_at >= count; }

    std::uint32_t bigEndian(std::size_t at, int size) const
    {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | m_file[at + static_cast<std::size_t>(i)];
        return value;
    }

    std::optional<std::uint32_t> quantity()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4 && has(1); ++i) {
            const std::uint8_t byte = m_file[m_at++];
            value = value << 7 | (byte & 0x7F);
            if (byte < 0x80)
                return value;
        }
        return std::nullopt;
    }

    bool skip(std::uint64_t count)
    {
        if (!has(count))
            return false;
        m_at += count;
        return true;
    }

    bool trackAt(std::size_t at) const
    {
        return m_file.size() - at >= 4 && bigEndian(at, 4) == 0x4D54726B; // "MTrk"
    }

    // Where a chunk may end by its length: before the next track chunk or at the file's end.
    bool chunkMayEndAt(std::uint64_t at) const { return at == m_file.size() || (at < m_file.size() && trackAt(at)); }

    bool walkFile(Walk& walk)
    {
        if (!has(14) || m_file[0] != 'M' || m_file[1] != 'T' || m_file[2] != 'h' || m_file[3] != 'd')
            return false;
        const std::uint32_t headerLength = bigEndian(4, 4);
        const std::uint32_t tracks = bigEndian(10, 2);
        if (headerLength < 6)
            return false;
        m_at = 8;
        if (!skip(headerLength))
            return false;
        for (std::uint32_t done = 0; done < tracks;) {
            if (!has(8))
                return false;
            const std::uint32_t length = bigEndian(m_at + 4, 4);
            bool printable = true;
            for (int i = 0; i < 4; ++i)
                printable = printable && m_file[m_at + i] >= 0x20 && m_file[m_at + i] <= 0x7E;
            if (trackAt(m_at)) {
                if (!walkTrack(walk))
                    return false;
                ++done;
            } else if (!printable || !skip(8 + std::uint64_t{length})) {
                return false;
            }
        }
        // Further track chunks that read cleanly count as tracks; the rest is copied as it is.
        for (;;) {
            const Walker before = *this;
            const std::size_t notes = walk.notes.size();
            if (!trackAt(m_at) || !walkTrack(walk)) {
                *this = before;
                walk.notes.resize(notes);
                break;
            }
        }
        m_at = m_file.size();
        return true;
    }

    // The track chunk at m_at, leaving m_at where the next chunk begins.
    bool walkTrack(Walk& walk)
    {
        if (!has(8))
            return false;
        const std::uint64_t end = m_at + 8 + std::uint64_t{bigEndian(m_at + 4, 4)};
        m_at += 8;
        if (!walkEvents(walk, end))
            return false;
        if (m_at < end && chunkMayEndAt(end) && !trackAt(m_at))
            m_at = static_cast<std::size_t>(end);
        return true;
    }

    bool walkEvents(Walk& walk, std::uint64_t end)
    {
        for (;;) {
            if (m_at == end && chunkMayEndAt(end))
                return true;
            if (!quantity() || !has(1))
                return false;
            std::uint8_t status = m_file[m_at];
            if (status >= 0x80) {
                ++m_at;
            } else if (m_running == 0) {
                return false;
            }
            if (status < 0xF0) {
                if (status >= 0x80)
                    m_running = status;
                const int type = m_running >> 4;
                const int size = (type == 0xC || type == 0xD) ? 1 : 2;
                if (!has(static_cast<std::size_t>(size)))
                    return false;
                if (type == 0x8 || type == 0x9)
                    walk.notes.push_back({m_at, (m_running & 0x0F) + 1});
                m_at += static_cast<std::size_t>(size);
            } else if (status == 0xF0 || status == 0xF7) {
                const auto length = quantity();
                if (!length || !skip(*length))
                    return false;
            } else if (status == 0xFF) {
                if (!has(1))
                    return false;
                const std::uint8_t type = m_file[m_at++];
                if (type >= 0x80)
                    return false;
                const auto length = quantity();
                if (!length || !skip(*length))
                    return false;
                if (type == 0x2F)
                    return true;
            } else {
                return false;
            }
        }
    }

    std::span<const std::uint8_t> m_file;
    std::size_t m_at = 0;
    std::uint8_t m_running = 0;
};

} // namespace

Walk walkMidiFile(std::span<const std::uint8_t> file)
{
    return Walker(file).run();
}

} // namespace tonvex::test
