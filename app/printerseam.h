#pragma once
#include <QString>
#include <memory>

class QPrinter;
class QWidget;

// Where a printout goes: the print dialog and the chosen printer in the program,
// a PDF file in tests.
class TPrinterSeam {
public:
    virtual ~TPrinterSeam() = default;
    // Lets the user choose the printer; false when cancelled.
    virtual bool SelectPrinter(QWidget* parent) = 0;
    virtual QPrinter* Printer() = 0;
};

// The seam in force: the print dialog unless a test installed another.
TPrinterSeam& PrinterSeam();
// Installs a seam (nullptr: back to the print dialog); the caller keeps ownership.
void SetPrinterSeam(TPrinterSeam* seam);

// Prints into a PDF file without asking; for tests.
class TPdfPrinterSeam : public TPrinterSeam {
public:
    explicit TPdfPrinterSeam(const QString& path);
    ~TPdfPrinterSeam() override;
    bool SelectPrinter(QWidget* parent) override;
    QPrinter* Printer() override;
    // When set, SelectPrinter answers as a cancelled dialog.
    bool Cancel = false;

private:
    std::unique_ptr<QPrinter> m_printer;
};
