#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bank_program.h"

namespace tonvex {

// A SoundFont 2 file's catalogue: where its shared head (information and sample data) ends
// and the records of its preset, instrument and sample tables. From it, the table part of a
// SoundFont holding only some of the presets is made without reading the file again; put
// after the same head, it reads the same samples at the same places.
class SoundFontIndex {
public:
    // Reads the file's layout and tables; throws EngineError when it is not a SoundFont 2 file
    // whose tables come last, as FluidSynth requires.
    static SoundFontIndex read(const std::string& path);

    const std::string& path() const { return m_path; }
    // Bytes [0, headSize()) of the file come before the tables.
    std::uint64_t headSize() const { return m_headSize; }
    bool has(BankProgram preset) const;
    // The preset FluidSynth plays when a channel asks for `wanted`: that one, else for the drum
    // bank its program 0, else program `wanted.program` of bank 0, else program 0 of bank 0.
    // Nothing when none of them exists.
    std::optional<BankProgram> resolve(BankProgram wanted) const;
    // The whole "LIST pdta" chunk of a SoundFont with only these presets (unknown ones are
    // left out), the instruments they use and the samples those use, sample places unchanged.
    std::vector<std::uint8_t> tablesFor(const std::vector<BankProgram>& presets) const;

private:
    SoundFontIndex() = default;

    // Record tables in file order: phdr, pbag, pmod, pgen, inst, ibag, imod, igen, shdr.
    struct Table {
        std::vector<std::uint8_t> records;
        std::size_t size = 0; // bytes per record
        std::size_t count() const { return records.size() / size; }
        const std::uint8_t* record(std::size_t i) const { return records.data() + i * size; }
    };
    enum TableId { Phdr, Pbag, Pmod, Pgen, Inst, Ibag, Imod, Igen, Shdr, TableCount };

    void validate() const;

    std::string m_path;
    std::vector<BankProgram> m_presets; // sorted
    std::uint64_t m_headSize = 0;
    Table m_tables[TableCount];
};

} // namespace tonvex
