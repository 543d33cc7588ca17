#pragma once
// TextPrinter over QPrinter: the system print dialog, or a PDF file when one is named
// (each copy then goes to its own file: NAME.pdf, NAME-2.pdf, ...).

#include "core/TextPrinter.h"

#include <QPainter>
#include <QPrinter>
#include <QString>

#include <memory>

class QWidget;

namespace viscora {

class QtTextPrinter : public TextPrinter {
public:
    // The widest line that is printed whole.
    static constexpr int kLineCharacters = 120;

    explicit QtTextPrinter(QWidget *parent = nullptr) : parent_(parent) {}
    // Prints to PDF files instead of asking; copies as given.
    void printToPdf(const QString &path, int copies);

    bool setup() override;
    int copies() const override { return copies_; }
    bool beginDocument() override;
    void line(const std::string &text) override;
    void newPage() override;
    bool endDocument() override;

private:
    QWidget *parent_;
    QPrinter printer_{QPrinter::HighResolution};
    std::unique_ptr<QPainter> painter_;
    QString pdfPath_;
    int copies_ = 1;
    int document_ = 0;
    int y_ = 0;
};

} // namespace viscora
