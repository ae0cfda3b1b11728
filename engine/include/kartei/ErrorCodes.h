#pragma once

#include <cstdint>

// Engine status codes. 0 is success; BeginOfFile and EndOfFile are navigation results;
// every other code is a failure with a message (see MessageTable.cpp).
namespace kartei::ErrorCode {

constexpr uint16_t Success = 0;
// 0x22 navigation and record state
constexpr uint16_t BeginOfFile = 8705;
constexpr uint16_t EndOfFile = 8706;
constexpr uint16_t RecordChanged = 8708;
constexpr uint16_t NoCurrentRecord = 8709;
constexpr uint16_t RecordNotFound = 8710;
constexpr uint16_t EndOfBlob = 8711;
// 0x23 corruption
constexpr uint16_t HeaderCorrupt = 8961;
constexpr uint16_t RecordBuffersCorrupt = 8962;
constexpr uint16_t BlobBuffersCorrupt = 8963;
constexpr uint16_t IndexPagesCorrupt = 8965;
// 0x24 input/output
constexpr uint16_t ReadError = 9217;
constexpr uint16_t WriteError = 9218;
constexpr uint16_t CannotDeleteTable = 9220;
constexpr uint16_t HeaderAccessError = 9221;
// 0x25 limits
constexpr uint16_t RecordTooLarge = 9477;
constexpr uint16_t TableFull = 9479;
constexpr uint16_t TooManyFilters = 9482;
constexpr uint16_t IndexLimits = 9487;
constexpr uint16_t FieldLimits = 9492;
constexpr uint16_t TooManyOpenBlobs = 9494;
constexpr uint16_t BlobFieldLimits = 9498;
// 0x26 validity of values and keys
constexpr uint16_t DuplicateKey = 9729;
constexpr uint16_t BelowMinimum = 9730;
constexpr uint16_t AboveMaximum = 9731;
constexpr uint16_t ValueRequired = 9732;
// 0x27 definitions
constexpr uint16_t InvalidField = 9985;
constexpr uint16_t PrimaryIndexExists = 9993;
constexpr uint16_t InvalidBlobOffset = 9998;
constexpr uint16_t InvalidFieldDefinition = 10000;
constexpr uint16_t InvalidValidityCheck = 10006;
constexpr uint16_t IndexNameMissing = 10010;
constexpr uint16_t InvalidPassword = 10015;
constexpr uint16_t InvalidIndexName = 10022;
constexpr uint16_t InvalidIndexField = 10023;
constexpr uint16_t InvalidKeySize = 10026;
constexpr uint16_t IndexExists = 10027;
constexpr uint16_t InvalidBlobLength = 10029;
constexpr uint16_t InvalidBlobHandle = 10030;
constexpr uint16_t TableInUse = 10031;
constexpr uint16_t InvalidFieldName = 10038;
constexpr uint16_t InvalidFilterHandle = 10050;
constexpr uint16_t FilterError = 10051;
constexpr uint16_t PrimaryIndexRequired = 10055;
// 0x28 locking
constexpr uint16_t TableLocked = 10241;
constexpr uint16_t UnlockFailed = 10242;
constexpr uint16_t LockFailed = 10249;
constexpr uint16_t NeedExclusive = 10253;
constexpr uint16_t RecordLocked = 10258;
// 0x29 rights
constexpr uint16_t PasswordRequired = 10498;
// 0x2A blob and engine state
constexpr uint16_t InvalidBlobField = 10753;
constexpr uint16_t NotInitialized = 10758;
// 0x2B operating system
constexpr uint16_t InvalidPath = 11010;
constexpr uint16_t TooManyFiles = 11012;
constexpr uint16_t AccessDenied = 11013;
constexpr uint16_t InvalidHandle = 11014;
constexpr uint16_t OutOfMemory = 11016;
constexpr uint16_t InvalidMemoryLength = 11017;
constexpr uint16_t DeviceAccessDenied = 11023;
constexpr uint16_t TableMoved = 11025;
constexpr uint16_t UnknownOsError = 11047;
// 0x2E SQL, 0x2F version, 0x30 index field type, 0x33 existence, 0x3E language driver
constexpr uint16_t SqlError = 11949;
constexpr uint16_t WrongVersion = 12035;
constexpr uint16_t InvalidIndexFieldType = 12292;
constexpr uint16_t TableExists = 13060;
constexpr uint16_t LanguageDriverMissing = 15878;

}  // namespace kartei::ErrorCode
