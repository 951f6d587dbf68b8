#include "app/printerseam.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {

class TDialogPrinterSeam : public TPrinterSeam {
public:
    bool SelectPrinter(QWidget* parent) override
    {
        if (!m_printer)
            m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        QPrintDialog dialog(m_printer.get(), parent);
        return dialog.exec() == QDialog::Accepted;
    }
    QPrinter* Printer() override { return m_printer.get(); }

private:
    std::unique_ptr<QPrinter> m_printer;
};

TPrinterSeam* g_seam = nullptr;

}  // namespace

TPrinterSeam& PrinterSeam()
{
    static TDialogPrinterSeam dialogSeam;
    return g_seam ? *g_seam : dialogSeam;
}

void SetPrinterSeam(TPrinterSeam* seam)
{
    g_seam = seam;
}

TPdfPrinterSeam::TPdfPrinterSeam(const QString& path)
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    m_printer->setOutputFileName(path);
}

TPdfPrinterSeam::~TPdfPrinterSeam() = default;

bool TPdfPrinterSeam::SelectPrinter(QWidget*)
{
    return !Cancel;
}

QPrinter* TPdfPrinterSeam::Printer()
{
    return m_printer.get();
}
