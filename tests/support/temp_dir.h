#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvex::test {

// Paths are UTF-8 on every platform; a narrow std::filesystem path is ANSI on Windows.
inline std::filesystem::path pathFromUtf8(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The path for a test's own file calls: on Windows extended, or the C library stops at 260.
inline std::filesystem::path ioPath(const std::string& text)
{
    const std::filesystem::path path = pathFromUtf8(text);
#ifdef _WIN32
    if (path.is_absolute() && !text.starts_with("\\\\")) // not UNC, not extended already
        return L"\\\\?\\" + path.lexically_normal().wstring();
#endif
    return path;
}

// Names of the entries in a folder.
inline std::set<std::string> entriesOf(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ioPath(folder)))
        names.insert(utf8FromPath(entry.path().filename()));
    return names;
}

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        // Random names until one is new, as mkdtemp (which Windows lacks) does.
        for (std::random_device random; m_path.empty();) {
            const auto candidate = std::filesystem::temp_directory_path() / ("tonvex-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) // throws when it cannot be made at all
                m_path = candidate;
        }
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(ioPath(utf8FromPath(m_path)), ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return utf8FromPath(m_path / pathFromUtf8(name)); }

    // Writes the bytes to a file of that name here; returns its full path.
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

    // Names of the entries in the folder.
    std::set<std::string> entries() const { return entriesOf(utf8FromPath(m_path)); }

private:
    std::filesystem::path m_path;
};

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(ioPath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline std::vector<std::uint8_t> readFile(const std::string& path)
{
    std::ifstream in(ioPath(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string TempDir::write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
{
    const std::string path = file(name);
    writeFile(path, bytes);
    return path;
}

} // namespace tonvex::test
