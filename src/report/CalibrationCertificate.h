#pragma once
// A stored calibration check as a one-page record an auditor reads: the instrument, the fluid
// with its lot, expiry and certificate values, the temperature and the viscosity used, the
// readings against the tolerance, the verdict, the operator and a line for a signature.

#include "core/Failure.h"
#include "report/Exports.h"
#include "store/CalibrationRecords.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QPagedPaintDevice;

namespace viscora {

struct CertificateContent {
    std::vector<std::pair<QString, QString>> fields; // label, value, in order
    // Per reference stress: stress, measured, error, error %, allowed error, result.
    std::vector<QStringList> table;
    QString verdict;
};

// What the page says, with the instrument and the fluid record the check names.
Result<CertificateContent> certificateContent(Database &db, const CalibrationRecord &check);

// Draws the page on a printer or a PDF.
void drawCertificate(QPagedPaintDevice &device, const CertificateContent &content);
ExportResult writeCertificatePdf(const std::string &path, const CertificateContent &content);

} // namespace viscora
