#include "cli/CliContext.h"

#include "store/DatabaseCopy.h"

namespace viscora::cli {

int cmdCopyDb(Context &c, const Args &a)
{
    const QString from = QString::fromStdString(a.positional[0]);
    const QString to = QString::fromStdString(a.positional[1]);
    auto source = openCopySource(from);
    if (!source)
        return c.failed(source.error());
    // ^C stops the copy, which then writes nothing.
    size_t shown = 0;
    std::optional<InterruptGuard> guard(std::in_place);
    const CopyResult r = copyDatabaseTo(**source, to, [&](CopyProgress p) {
        p.name = QString::fromStdString(oneLine(p.name)); // the progress stays one line
        std::string line = copyProgressText(p).toStdString();
        const size_t length = line.size();
        if (length < shown) // over what a longer line left
            line.append(shown - length, ' ');
        shown = length;
        c.err << '\r' << line << std::flush;
        return !interrupted;
    });
    guard.reset();
    if (shown > 0)
        c.err << '\n';
    if (!r.ok)
        return c.failed(r.error);
    c.out << copySummary(r.copied, to).toStdString() << '\n';
    return 0;
}

} // namespace viscora::cli
