#pragma once
// A printer of plain text lines, behind the print dialog.

#include <string>

namespace viscora {

class TextPrinter {
public:
    virtual ~TextPrinter() = default;
    // The print dialog: false when cancelled. Sets copies().
    virtual bool setup() = 0;
    virtual int copies() const = 0;
    // One document (one print job).
    virtual bool beginDocument() = 0;
    virtual void line(const std::string &text) = 0;
    virtual void newPage() = 0;
    virtual bool endDocument() = 0;
};

} // namespace viscora
