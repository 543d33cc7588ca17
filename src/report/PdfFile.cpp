#include "report/PdfFile.h"

#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>

namespace viscora {

ExportResult savePdf(const std::string &path, const std::function<bool(QPagedPaintDevice &)> &draw)
{
    // Written as it is drawn, so a long report is never held whole in memory.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString().toStdString()};
    bool drawn = false;
    {
        QPdfWriter pdf(&file);
        pdf.setPageOrientation(QPageLayout::Portrait);
        drawn = draw(pdf);
    }
    if (!drawn) {
        file.cancelWriting();
        return {false, "nothing could be drawn"};
    }
    if (!file.commit())
        return {false, file.errorString().toStdString()};
    return {};
}

} // namespace viscora
