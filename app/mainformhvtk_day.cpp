// The main window's day: the loader on the window's sample buffer and minute levels.
#include "app/mainformhvtk.h"
#include "app/tdayloader.h"
#include "app/tdayloaderhost.h"

namespace {

// The window as the loader's host. The online hooks stay the loader's defaults until
// the FTP command layer provides them.
class TMainDayHost : public TDayLoaderHost {
public:
    explicit TMainDayHost(const TMainFormHvtk& form) : Form(form) {}
    bool OnlineMode() const override { return Form.OnlineMode; }

private:
    const TMainFormHvtk& Form;
};

}  // namespace

bool TMainFormHvtk::LoadDay(TDateTime date)
{
    TMainDayHost host(*this);
    TDayLoader loader(SampleBuffer, MinuteLevels, host);
    const bool loaded = loader.LoadDay(date);
    LocalFilePath = loader.LocalFilePath;
    return loaded;
}
