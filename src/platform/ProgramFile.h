#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace vrq {

// The file the running program was started from. A package upgrade renames a new file over it and a
// removal deletes it, while the process goes on running the old one; the kernel then shows the link
// /proc/self/exe as the path followed by " (deleted)". A resident copy uses this to notice that it is
// no longer the installed program.
class ProgramFile {
public:
    // What the link to the running program's file reads; empty when it cannot be read.
    using LinkReader = std::function<QString()>;

    // Reads /proc/self/exe (Linux; elsewhere the link is never read and the file counts as in place).
    ProgramFile();
    explicit ProgramFile(LinkReader readLink);

    // The path the program was started from once the file there is no longer the one running;
    // nullopt while it is, or when the link cannot be read.
    std::optional<QString> replacedOrRemoved() const;

    // The link of this process, as the default reader gives it.
    static QString readOwnLink();

private:
    LinkReader m_readLink;
};

} // namespace vrq
