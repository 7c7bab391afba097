#pragma once

#include <string>

#include "file_descriptor.h"

namespace tonvex {

// A hidden file beside `target` that becomes `target` only through commit(); until then the
// destructor removes it, so a failed or cancelled write leaves nothing behind.
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
    int fd() const { return m_file.get(); }
    const std::string& path() const { return m_path; }

    // Closes the file and renames it over the target; false on any failure, the temporary
    // file then still being removed by the destructor. The data is not forced to disk first
    // (no fsync): after a crash the target may be older or, on file systems that do not order
    // the rename after the data, incomplete.
    bool commit();

private:
    bool createFrom(const std::string& pattern);

    std::string m_target;
    std::string m_path;
    FileDescriptor m_file;
    bool m_committed = false;
};

} // namespace tonvex
