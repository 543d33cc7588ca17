#include "report/PdfFile.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>

namespace viscora {

ExportResult savePdf(const std::string &path, const std::function<bool(QPagedPaintDevice &)> &draw)
{
    QByteArray bytes;
    bool drawn = false;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setPageOrientation(QPageLayout::Portrait);
        drawn = draw(pdf);
    }
    if (!drawn || bytes.isEmpty())
        return {false, "nothing could be drawn"};
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString().toStdString()};
    if (file.write(bytes) != bytes.size() || !file.commit())
        return {false, file.errorString().toStdString()};
    return {};
}

} // namespace viscora
