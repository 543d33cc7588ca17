#include "ui/QtTextPrinter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPrintDialog>

namespace viscora {

void QtTextPrinter::printToPdf(const QString &path, int copies)
{
    pdfPath_ = path;
    copies_ = copies;
}

bool QtTextPrinter::setup()
{
    if (!pdfPath_.isEmpty())
        return true;
    QPrintDialog dialog(&printer_, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    copies_ = std::max(1, printer_.copyCount());
    // The copies are printed as separate documents, so the printer must not repeat them.
    printer_.setCopyCount(1);
    return true;
}

bool QtTextPrinter::beginDocument()
{
    ++document_;
    if (!pdfPath_.isEmpty()) {
        QString file = pdfPath_;
        if (document_ > 1)
            file.insert(file.endsWith(QLatin1String(".pdf")) ? file.size() - 4 : file.size(),
                        QStringLiteral("-%1").arg(document_));
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setOutputFileName(file);
    }
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        return false;
    }
    // Columns of blanks line up only in a fixed font; up to 10 pt, small enough that a line of
    // kLineCharacters stays on the page.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(10);
    const double wide = QFontMetricsF(font, &printer_)
                            .horizontalAdvance(QString(kLineCharacters, QLatin1Char('0')));
    const double room = painter_->viewport().width();
    if (wide > room)
        font.setPointSizeF(10 * room / wide);
    painter_->setFont(font);
    y_ = 0;
    return true;
}

void QtTextPrinter::line(const std::string &text)
{
    if (!painter_)
        return;
    const int height = painter_->fontMetrics().lineSpacing();
    if (y_ + height > painter_->viewport().height())
        newPage();
    y_ += height;
    painter_->drawText(0, y_, QString::fromStdString(text));
}

void QtTextPrinter::newPage()
{
    if (!painter_)
        return;
    printer_.newPage();
    y_ = 0;
}

bool QtTextPrinter::endDocument()
{
    if (!painter_)
        return false;
    const bool ok = painter_->end();
    painter_.reset();
    return ok;
}

} // namespace viscora
