#pragma once

#include <string>

#include "file_handle.h"

namespace tonvex {

// A hidden file beside `target` that becomes `target` only through commit(); until then the
// destructor removes it, so a failed or cancelled write leaves nothing behind. It is created
// exclusively, so it never takes over another file of the same name.
class TemporaryFile {
public:
    // Nothing is created yet: a run that fails before its first write costs no file.
    explicit TemporaryFile(const std::string& target);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file; false when it cannot be (missing or unwritable folder, ...).
    bool create();

    bool isOpen() const { return m_file.isOpen(); }
    NativeHandle handle() const { return m_file.get(); }
    const std::string& path() const { return m_path; }

    // Closes the file and renames it over the target, replacing an existing one; false on any
    // failure, the temporary file then still being removed by the destructor. On POSIX the data
    // is not forced to disk first (no fsync): after a crash the target may be older or, on file
    // systems that do not order the rename after the data, incomplete.
    bool commit();

private:
    // What one exclusive creation of a name came to.
    enum class Attempt { Created, NameTaken, NameTooLong, Failed };

    // Tries fresh names of one form while they are taken; the last attempt's outcome.
    Attempt createNamed(bool shortForm);
    // Creates `name` exclusively into m_file: the room's own call.
    Attempt createExclusive(const std::string& name);

    std::string m_target;
    std::string m_path;
    FileHandle m_file;
    bool m_committed = false;
};

} // namespace tonvex
