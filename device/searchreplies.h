#pragma once
#include <QString>

// Text rules of the device search protocol.
namespace searchreply {

constexpr int FieldCount = 11;
constexpr int FieldId = 0;
constexpr int FieldAddress = 2;
constexpr int FieldMask = 3;
constexpr int FieldModel = 5;
inline const char* const SearchedModel = "QWL620";

// Cuts a reply, trimmed of characters below 33 at both ends, into fields at runs of blanks;
// at most FieldCount fields, every field after the last one taken is emptied.
void Split(const QString& text, QString (&fields)[FieldCount]);

// The value of a query reply ("<id> 6 KEY=001"): the three characters after the first '='
// (the first three when there is none), or "" when the reply does not begin with the id.
QString QueryValue(const QString& reply, const QString& deviceId);

// Whether reply can be the answer to query (the probe "0 1" or "<id> 6 KEY?"). A reply tells
// its question by the command number it echoes in field 1 and by the key it names before the
// '=' ("<id> 6 STATION.REGION=001"); one that names another command or key answers another
// query, and the answer to a key query begins with the asked id.
bool Answers(const QString& reply, const QString& query);
// Whether anything in reply tells which query it answers (a command number or a key).
bool TellsItsQuery(const QString& reply);
// An answer to a key query, which no search asks for: its command number is not the search's.
bool IsKeyAnswer(const QString& reply);

}  // namespace searchreply
