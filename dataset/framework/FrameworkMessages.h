#pragma once

#include <string_view>

namespace kartei {

// The data-access framework's messages, German, as single-byte (cp1252) text. "%s" marks the places
// FormatMessage fills. Texts raised on behalf of a component are prefixed "name: " by
// RaiseComponentError.

// Datasets
inline constexpr std::string_view kSDataSetOpen =
    "Operation bei ge\xF6"
    "ffneter Datenmenge nicht ausf\xFC"
    "hrbar";
inline constexpr std::string_view kSDataSetClosed =
    "Operation bei geschlossener Datenmenge nicht ausf\xFC"
    "hrbar";
inline constexpr std::string_view kSDataSetReadOnly =
    "Eine Datenmenge, die nur zum Lesen ist, kann nicht ge\xE4"
    "ndert werden";
inline constexpr std::string_view kSDataSetEmpty =
    "Operation nicht zul\xE4"
    "ssig bei leerer Datenmenge";
inline constexpr std::string_view kSNotEditing =
    "Datenmenge weder im Editier- noch im Einf\xFC"
    "gemodus";
inline constexpr std::string_view kSRecordNotFound = "Datensatz nicht gefunden";
inline constexpr std::string_view kSCircularDataLink =
    "Zirkul\xE4"
    "re Datenverbindungen sind nicht erlaubt";
inline constexpr std::string_view kSRecordRowOutOfRange =
    "Zeile %s liegt au\xDF"
    "erhalb des Datensatzfensters";
inline constexpr std::string_view kSBlobNotSupported =
    "Blob-Inhalte werden von dieser Datenmenge nicht unterst\xFC"
    "tzt";

// Fields and indexes
inline constexpr std::string_view kSFieldNotFound = "Das Feld '%s' wurde nicht gefunden";
inline constexpr std::string_view kSFieldReadOnly =
    "Feld '%s' kann nicht ver\xE4"
    "ndert werden";
inline constexpr std::string_view kSFieldRequired = "Feld '%s' muss einen Wert haben";
inline constexpr std::string_view kSFieldAccessError =
    "Zugriff auf Feld '%s' als Typ %s nicht m\xF6"
    "glich";
inline constexpr std::string_view kSFieldRangeError =
    "%s ist kein g\xFC"
    "ltiger Wert f\xFC"
    "r das Feld '%s'. Der erlaubte Bereich ist %s bis %s";
inline constexpr std::string_view kSNoIndexForFields =
    "Kein Index f\xFC"
    "r die Felder '%s' vorhanden";

// Raised by the table dataset (key building, index fields) and the lookup controls
inline constexpr std::string_view kSNotIndexField =
    "Feld '%s' ist nicht indiziert und kann nicht ver\xE4"
    "ndert werden";
inline constexpr std::string_view kSFieldIndexError =
    "Feldindex au\xDF"
    "erhalb des g\xFC"
    "ltigen Bereichs";
inline constexpr std::string_view kSIndexFieldMissing =
    "Zugriff auf Indexfeld '%s' nicht m\xF6"
    "glich";
inline constexpr std::string_view kSPropDefByLookup = "Eigenschaft bereits durch Lookup-Feld definiert";

// Conversions (EConvertError)
inline constexpr std::string_view kSInvalidInteger =
    "'%s' ist kein g\xFC"
    "ltiger Ganzzahlwert";
inline constexpr std::string_view kSInvalidFloat =
    "'%s' ist kein g\xFC"
    "ltiger Gleitkommawert";
inline constexpr std::string_view kSInvalidBoolean =
    "'%s' ist kein g\xFC"
    "ltiger Boolescher Wert";
inline constexpr std::string_view kSInvalidDate =
    "'%s' ist kein g\xFC"
    "ltiges Datum";
inline constexpr std::string_view kSInvalidTime =
    "'%s' ist keine g\xFC"
    "ltige Uhrzeit";
inline constexpr std::string_view kSInvalidDateTime =
    "'%s' ist kein g\xFC"
    "ltiger Zeitpunkt";
inline constexpr std::string_view kSInvalidVarCast =
    "Ung\xFC"
    "ltige Variant-Typumwandlung";
inline constexpr std::string_view kSVarOverflow =
    "\xDC"
    "berlauf bei Variant-Typumwandlung";

// Type names for kSFieldAccessError
inline constexpr std::string_view kTypeNameInteger = "Integer";
inline constexpr std::string_view kTypeNameFloat = "Float";
inline constexpr std::string_view kTypeNameBoolean = "Boolean";
inline constexpr std::string_view kTypeNameDateTime = "DateTime";

}  // namespace kartei
