// The host's three reference dictionaries: authors ("AuthDB.dat"), publishers
// by code prefix ("PubDB.dat") and labels by genre ("LabelsDB.dat"), read from
// the host's data directory and never written.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya {

struct AuthorDictionaryEntry { std::string name, reading, extra; };

bool LoadAuthorDictionary(const std::string& data_dir);   // true if "AuthDB.dat" exists
bool FreeAuthorDictionary();                                // true
bool AuthorDictionaryHasLines();
bool LookupAuthor(std::string_view name, AuthorDictionaryEntry& entry);   // true on a hit
bool LookupPublisherByCode(const std::string& data_dir);   // true if "PubDB.dat" exists
bool LoadLabelDictionary(const std::string& data_dir);     // true if "LabelsDB.dat" exists
bool LookupLabel();                                         // true
std::string NormaliseDictionaryKey(std::string_view text);

}  // namespace kanadeya
