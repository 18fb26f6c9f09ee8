#pragma once
// The update information file on the server ("/media/QL310/Ql310_ud.zip", plain text despite its
// extension): lines of key, separator, value, each ending with a carriage return.
//
//   softversion= V2.0.1.20      the newest version
//   newfile00 = velmo.bin       files to fetch; entry 00 is the new program itself
//   sha25600 = <64 hex digits>  optional: the file must have this SHA-256 before it is used

#include <optional>
#include <string>

namespace ql::update {

inline constexpr int kFileEntries = 21;  // newfile00 .. newfile20
inline constexpr const char* kInfoPath = "/media/QL310/Ql310_ud.zip";
inline constexpr const char* kUpdaterName = "updtrun";
inline constexpr const char* kTemporarySuffix = "bak";

// The version after "softversion", spaces and '=' removed, in upper case; nullopt when the text
// has no such key.
std::optional<std::string> serverVersion(const std::string& info);
// Versions compare as plain text ("V2.0.1.20" is newer than "V2.0.1.19").
bool isNewer(const std::string& serverVersion, const std::string& runningVersion);
// The name after "newfileNN" (NN = two digits of entry), spaces and '=' removed; nullopt when
// the entry is absent.
std::optional<std::string> fileName(const std::string& info, int entry);
// The checksum after "sha256NN" in lower case; nullopt when the entry has none.
std::optional<std::string> fileChecksum(const std::string& info, int entry);
// A name that can only land in the program directory: not empty, no path separator, no "..",
// no control character, and a non-empty part before its first '.'.
bool isBareFileName(const std::string& name);
// Server path of a file: "/media/QL310/" + its name up to the first '.' + ".zip".
std::string serverPath(const std::string& name);
// The name a downloaded entry is stored under: "updtrun" for entry 00, else its own name.
std::string storedName(const std::string& name, int entry);

}  // namespace ql::update
