#pragma once
// The five header boxes both naming dialogs show: test name, fluid ID, sample time, company
// and notes, with their labels.

#include "store/TestRepository.h"

class QLineEdit;
class QPlainTextEdit;
class QVBoxLayout;
class QWidget;

namespace viscora {

struct TestHeaderFields {
    // Creates the boxes in parent and lays them out in layout.
    void build(QWidget *parent, QVBoxLayout *layout);
    TestHeader header() const;
    void showHeader(const TestHeader &h);

    QLineEdit *txtTestName = nullptr, *txtMudId = nullptr, *txtSampleTime = nullptr,
              *txtCompanyName = nullptr;
    QPlainTextEdit *txtDesc = nullptr;
};

} // namespace viscora
