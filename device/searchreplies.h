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

}  // namespace searchreply
