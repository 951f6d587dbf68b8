#pragma once
#include <QString>
#include <QStringList>
#include <vector>

#include "device/rsconfigkeytable.h"

// What one read of a device learnt of each configuration key and what the operator changed
// since, and so which keys Finish may write: a device keeps every value it was not shown.
namespace rsconfig {

// The key a reply text names: the part before its first '='; empty for an error reply
// ("-...") or a text without '=', which name no key.
QString ReplyKey(const QString& data);
// The reply answers the request for key: it names that key as the device writes it, in any
// letter case ("ppp.Usetime" is answered as "ppp.usetime"), or it names no key at all.
bool ReplyAnswers(const QString& data, const QString& key);

class KeyReadState {
public:
    KeyReadState();
    // Before each read: nothing known of the device, nothing changed by the operator.
    void Reset();
    // The read got a value its control holds exactly.
    void SetRead(const KeyEntry& key);
    void MarkChanged(const KeyEntry& key);
    bool WasRead(const KeyEntry& key) const;
    bool Changed(const KeyEntry& key) const;
    // A key read from this device is written changed or not; any other only once changed.
    bool ShouldWrite(const KeyEntry& key) const { return WasRead(key) || Changed(key); }

private:
    static size_t IndexOf(const KeyEntry& key);
    std::vector<bool> m_read;
    std::vector<bool> m_changed;
};

// The message after a write sequence that ended early.
QString WriteStoppedText(const QStringList& written, const QStringList& notWritten);

}  // namespace rsconfig
