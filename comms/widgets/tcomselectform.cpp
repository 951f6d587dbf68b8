#include "tcomselectform.h"

#include "comms/serial/portprompt.h"
#include "comms/core/errorcodes.h"
#include "comms/serial/serialdevice.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

bool UseDispatcherForAvail = true;
bool ShowPortsInUse = true;

namespace {

// The plain way: open the node and test its lock, as another program's open would.
int openDirectly(const std::string& name)
{
    const std::string path = ResolveComDeviceName(name);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return MapSerialErrno(errno);
    int code = 0;
    if (!::isatty(fd))
        code = ecFileNotFound;
    else if (::flock(fd, LOCK_EX | LOCK_NB) < 0)
        code = MapSerialErrno(errno == EWOULDBLOCK ? EBUSY : errno);
    ::close(fd);
    return code;
}

}  // namespace

bool IsPortAvailable(unsigned ComNumber)
{
    if (ComNumber == 0)
        return false;
    const std::string name = "\\\\.\\COM" + std::to_string(ComNumber);
    const int code = UseDispatcherForAvail ? SerialDevice::Probe(name) : openDirectly(name);
    if (code >= 0)
        return true;
    return ShowPortsInUse && code == ecAccessDenied;  // present, another program has it
}

void InstallComSelectPrompt()
{
    SetPortPrompt([] {
        TComSelectForm form;
        return form.exec() == QDialog::Accepted ? form.SelectedComNum() : 0;
    });
}

TComSelectForm::TComSelectForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Select Port");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);

    Label1 = new QLabel("The configured serial port is not valid.", this);
    Label2 = new QLabel("Please choose another port.", this);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    OkBtn = new QPushButton("OK", this);
    OkBtn->setDefault(true);
    AbortBtn = new QPushButton("Cancel", this);
    PortsComboBox = new QComboBox(this);
    PortsComboBox->setEditable(false);

    auto* inner = new QGridLayout(Bevel1);
    inner->addWidget(Label1, 0, 0);
    inner->addWidget(Label2, 1, 0);
    inner->addWidget(PortsComboBox, 2, 0);
    auto* grid = new QGridLayout(this);
    grid->addWidget(Bevel1, 0, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->addWidget(OkBtn, 1, 1);
    grid->addWidget(AbortBtn, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(OkBtn, &QPushButton::clicked, this, [this] { done(1); });
    connect(AbortBtn, &QPushButton::clicked, this, [this] { done(2); });

    FormCreate();

    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TComSelectForm::FormCreate()
{
    for (unsigned n = 1; n <= 50; ++n)
        if (IsPortAvailable(n))
            PortsComboBox->addItem(QString::asprintf("COM%u", n));
    PortsComboBox->setCurrentIndex(PortsComboBox->count() > 0 ? 0 : -1);
}

QString TComSelectForm::SelectedCom() const
{
    return PortsComboBox->currentIndex() >= 0 ? PortsComboBox->currentText() : QString();
}

int TComSelectForm::SelectedComNum() const
{
    return SelectedCom().mid(3).toInt();
}
