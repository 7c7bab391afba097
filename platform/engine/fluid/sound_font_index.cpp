#include "sound_font_index.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

#include "engine.h"

namespace tonvex {
namespace {

constexpr std::size_t kChunkHeader = 8; // id and 32-bit little-endian size
constexpr int kDrumBank = 128;
// Generators that point into the next table down.
constexpr std::uint16_t kGenInstrument = 41;
constexpr std::uint16_t kGenSampleId = 53;
// Sample types that name a partner sample; ROM samples name none.
constexpr std::uint16_t kLinkedTypes = 0x2 | 0x4 | 0x8;
constexpr std::uint16_t kRomSample = 0x8000;

struct TableShape {
    const char* id;
    std::size_t recordSize;
};
constexpr std::array<TableShape, 9> kShapes = {{{"phdr", 38},
                                                {"pbag", 4},
                                                {"pmod", 10},
                                                {"pgen", 4},
                                                {"inst", 22},
                                                {"ibag", 4},
                                                {"imod", 10},
                                                {"igen", 4},
                                                {"shdr", 46}}};
// Where each table keeps its index into the next: phdr and inst their first bag, bags their
// first generator and modulator.
constexpr std::size_t kPhdrBag = 24;
constexpr std::size_t kInstBag = 20;
constexpr std::size_t kBagGen = 0;
constexpr std::size_t kBagMod = 2;
constexpr std::size_t kPhdrProgram = 20;
constexpr std::size_t kPhdrBank = 22;
constexpr std::size_t kGenOper = 0;
constexpr std::size_t kGenAmount = 2;
constexpr std::size_t kShdrLink = 42;
constexpr std::size_t kShdrType = 44;

std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

std::uint16_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void put16(std::uint8_t* p, std::size_t value)
{
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void append32(std::vector<std::uint8_t>& out, std::size_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendId(std::vector<std::uint8_t>& out, const char* id)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(id[i]));
}

[[noreturn]] void refuse(const std::string& path, const char* why)
{
    throw EngineError("SoundFont " + path + ": " + why);
}

// A table being written: records appended one at a time.
struct Output {
    std::vector<std::uint8_t> records;
    std::size_t size;
    std::size_t count() const { return records.size() / size; }
    std::uint8_t* append(const std::uint8_t* record)
    {
        records.insert(records.end(), record, record + size);
        return records.data() + records.size() - size;
    }
};

// Old indices to new ones, numbered in order of first use.
struct Renumbering {
    std::vector<int> newIndex;
    std::vector<std::size_t> order; // old indices by new index
    explicit Renumbering(std::size_t count) : newIndex(count, -1) {}
    std::size_t map(std::size_t old)
    {
        if (newIndex[old] < 0) {
            newIndex[old] = static_cast<int>(order.size());
            order.push_back(old);
        }
        return static_cast<std::size_t>(newIndex[old]);
    }
};

} // namespace

SoundFontIndex SoundFontIndex::read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        refuse(path, "cannot be opened");
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(in.tellg());
    in.seekg(0);
    std::uint8_t riff[12];
    if (!in.read(reinterpret_cast<char*>(riff), sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0
        || std::memcmp(riff + 8, "sfbk", 4) != 0 || le32(riff + 4) + kChunkHeader != fileSize)
        refuse(path, "is not a SoundFont file");

    // INFO, sample data, tables: the order FluidSynth reads them in.
    std::uint64_t at = sizeof riff;
    const char* lists[] = {"INFO", "sdta", "pdta"};
    std::uint32_t listSize = 0;
    for (const char* list : lists) {
        std::uint8_t header[12];
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(header), sizeof header) || std::memcmp(header, "LIST", 4) != 0
            || std::memcmp(header + 8, list, 4) != 0)
            refuse(path, "does not hold its lists in the usual order");
        listSize = le32(header + 4);
        if (std::strcmp(list, "pdta") != 0)
            at += kChunkHeader + listSize + (listSize & 1);
    }
    if (at + kChunkHeader + listSize != fileSize || listSize < 4)
        refuse(path, "has data after its tables");

    SoundFontIndex index;
    index.m_path = path;
    index.m_headSize = at;
    std::vector<std::uint8_t> tables(listSize - 4);
    if (!in.read(reinterpret_cast<char*>(tables.data()), static_cast<std::streamsize>(tables.size())))
        refuse(path, "is cut short");
    std::size_t offset = 0;
    for (std::size_t t = 0; t < kShapes.size(); ++t) {
        if (offset + kChunkHeader > tables.size() || std::memcmp(tables.data() + offset, kShapes[t].id, 4) != 0)
            refuse(path, "lacks a table");
        const std::uint32_t size = le32(tables.data() + offset + 4);
        offset += kChunkHeader;
        if (size > tables.size() - offset || size % kShapes[t].recordSize != 0 || size == 0)
            refuse(path, "has a table of the wrong size");
        index.m_tables[t].size = kShapes[t].recordSize;
        index.m_tables[t].records.assign(tables.begin() + static_cast<std::ptrdiff_t>(offset),
                                         tables.begin() + static_cast<std::ptrdiff_t>(offset + size));
        offset += size;
    }
    index.validate();
    const Table& phdr = index.m_tables[Phdr];
    for (std::size_t i = 0; i + 1 < phdr.count(); ++i)
        index.m_presets.push_back({le16(phdr.record(i) + kPhdrBank), le16(phdr.record(i) + kPhdrProgram)});
    std::sort(index.m_presets.begin(), index.m_presets.end());
    return index;
}

void SoundFontIndex::validate() const
{
    // Each table's index into the next must never fall and stay inside it, and the generators
    // that name an instrument or a sample must name one that exists (the last record of every
    // table is its terminal).
    auto rising = [&](TableId table, std::size_t field, TableId next) {
        std::size_t previous = 0;
        for (std::size_t i = 0; i < m_tables[table].count(); ++i) {
            const std::size_t value = le16(m_tables[table].record(i) + field);
            if (value < previous || value >= m_tables[next].count())
                refuse(m_path, "has tables that do not fit together");
            previous = value;
        }
    };
    rising(Phdr, kPhdrBag, Pbag);
    rising(Pbag, kBagGen, Pgen);
    rising(Pbag, kBagMod, Pmod);
    rising(Inst, kInstBag, Ibag);
    rising(Ibag, kBagGen, Igen);
    rising(Ibag, kBagMod, Imod);
    auto pointing = [&](TableId generators, std::uint16_t oper, TableId target) {
        for (std::size_t i = 0; i < m_tables[generators].count(); ++i) {
            const std::uint8_t* record = m_tables[generators].record(i);
            if (le16(record + kGenOper) == oper && le16(record + kGenAmount) + 1u >= m_tables[target].count())
                refuse(m_path, "names an instrument or sample it does not have");
        }
    };
    pointing(Pgen, kGenInstrument, Inst);
    pointing(Igen, kGenSampleId, Shdr);
}

bool SoundFontIndex::has(BankProgram preset) const
{
    return std::binary_search(m_presets.begin(), m_presets.end(), preset);
}

std::optional<BankProgram> SoundFontIndex::resolve(BankProgram wanted) const
{
    const BankProgram fallbacks[] = {
        wanted,
        wanted.bank == kDrumBank ? BankProgram{kDrumBank, 0} : BankProgram{0, wanted.program},
        wanted.bank == kDrumBank ? BankProgram{kDrumBank, 0} : BankProgram{0, 0},
    };
    for (const BankProgram& preset : fallbacks)
        if (has(preset))
            return preset;
    return std::nullopt;
}

std::vector<std::uint8_t> SoundFontIndex::tablesFor(const std::vector<BankProgram>& presets) const
{
    Output out[TableCount];
    for (int t = 0; t < TableCount; ++t)
        out[t].size = m_tables[t].size;
    Renumbering instruments(m_tables[Inst].count());
    Renumbering samples(m_tables[Shdr].count());
    auto bagRange = [&](TableId table, std::size_t field, std::size_t i) {
        return std::pair{le16(m_tables[table].record(i) + field), le16(m_tables[table].record(i + 1) + field)};
    };
    // One zone list: the bags of record `i` of `head`, each with its generators and modulators,
    // generator amounts of `oper` renumbered.
    auto copyZones = [&](TableId head, std::size_t headBag, TableId bag, TableId gen, TableId mod, std::size_t i,
                         std::uint16_t oper, Renumbering& targets) {
        put16(out[head].append(m_tables[head].record(i)) + headBag, out[bag].count());
        const auto [firstBag, endBag] = bagRange(head, headBag, i);
        for (std::size_t b = firstBag; b < endBag; ++b) {
            std::uint8_t* newBag = out[bag].append(m_tables[bag].record(b));
            put16(newBag + kBagGen, out[gen].count());
            put16(newBag + kBagMod, out[mod].count());
            const auto [firstGen, endGen] = bagRange(bag, kBagGen, b);
            for (std::size_t g = firstGen; g < endGen; ++g) {
                std::uint8_t* newGen = out[gen].append(m_tables[gen].record(g));
                if (le16(newGen + kGenOper) == oper)
                    put16(newGen + kGenAmount, targets.map(le16(newGen + kGenAmount)));
            }
            const auto [firstMod, endMod] = bagRange(bag, kBagMod, b);
            for (std::size_t m = firstMod; m < endMod; ++m)
                out[mod].append(m_tables[mod].record(m));
        }
    };
    // The terminal records close each list, pointing past its last entry.
    auto terminate = [&](TableId head, std::size_t headBag, TableId bag, TableId gen, TableId mod) {
        put16(out[head].append(m_tables[head].record(m_tables[head].count() - 1)) + headBag, out[bag].count());
        std::uint8_t* lastBag = out[bag].append(m_tables[bag].record(m_tables[bag].count() - 1));
        put16(lastBag + kBagGen, out[gen].count());
        put16(lastBag + kBagMod, out[mod].count());
        out[gen].append(m_tables[gen].record(m_tables[gen].count() - 1));
        out[mod].append(m_tables[mod].record(m_tables[mod].count() - 1));
    };

    const Table& phdr = m_tables[Phdr];
    for (std::size_t i = 0; i + 1 < phdr.count(); ++i) {
        const BankProgram id{le16(phdr.record(i) + kPhdrBank), le16(phdr.record(i) + kPhdrProgram)};
        if (std::find(presets.begin(), presets.end(), id) != presets.end())
            copyZones(Phdr, kPhdrBag, Pbag, Pgen, Pmod, i, kGenInstrument, instruments);
    }
    terminate(Phdr, kPhdrBag, Pbag, Pgen, Pmod);
    for (std::size_t k = 0; k < instruments.order.size(); ++k)
        copyZones(Inst, kInstBag, Ibag, Igen, Imod, instruments.order[k], kGenSampleId, samples);
    terminate(Inst, kInstBag, Ibag, Igen, Imod);

    // Stereo halves keep their partners, so that a link always names a sample of the table.
    const Table& shdr = m_tables[Shdr];
    for (std::size_t k = 0; k < samples.order.size(); ++k) {
        const std::uint8_t* record = shdr.record(samples.order[k]);
        const std::uint16_t type = le16(record + kShdrType);
        const std::size_t link = le16(record + kShdrLink);
        if (!(type & kRomSample) && (type & kLinkedTypes) && link + 1 < shdr.count())
            samples.map(link);
    }
    for (std::size_t old : samples.order) {
        std::uint8_t* record = out[Shdr].append(shdr.record(old));
        const std::size_t link = le16(record + kShdrLink);
        const bool kept = link + 1 < shdr.count() && samples.newIndex[link] >= 0;
        put16(record + kShdrLink, kept ? static_cast<std::size_t>(samples.newIndex[link]) : 0);
    }
    out[Shdr].append(shdr.record(shdr.count() - 1));

    std::size_t size = 4;
    for (const Output& table : out)
        size += kChunkHeader + table.records.size();
    std::vector<std::uint8_t> list;
    list.reserve(kChunkHeader + size);
    appendId(list, "LIST");
    append32(list, size);
    appendId(list, "pdta");
    for (std::size_t t = 0; t < kShapes.size(); ++t) {
        appendId(list, kShapes[t].id);
        append32(list, out[t].records.size());
        list.insert(list.end(), out[t].records.begin(), out[t].records.end());
    }
    return list;
}

} // namespace tonvex
