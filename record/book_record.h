// The book record: the facts found for the one book being looked up, as 66
// Shift_JIS text fields indexed 0 to 65, each empty when cleared. A field is
// reachable by name (BookRecord.Title) and by index (BookRecord[kTitle] or
// BookRecord[1]).
//
// record/ holds the record, the output line made of it, the host's reference
// dictionaries and the stop request; it stands on strings/, platform/ and
// markup/, and the parsers of fields/ fill it.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kanadeya {

inline constexpr int kFieldCount = 66;

enum FieldIndex : int {
  kCode = 0,
  kTitle = 1,
  kReserved2 = 2,
  kReserved3 = 3,
  kVolume = 4,
  kAuthor = 5,
  kAuthorReading = 6,
  kAuthor2 = 7,
  kAuthor2Reading = 8,
  kOtherAuthors = 9,
  kCCode = 10,
  kReserved11 = 11,
  kPublisher = 12,
  kLabel = 13,
  kReserved14 = 14,
  kSize = 15,
  kPageUrl = 16,
  kAgeRating = 17,
  kReserved18 = 18,
  kPurchaseState = 19,
  kPrice = 20,
  kTaxSetting = 21,
  kReserved22 = 22,
  kTaxSetting2 = 23,
  kEditionYear = 24,
  kEditionMonth = 25,
  kEditionDay = 26,
  kReserved27 = 27,
  kReserved28 = 28,
  kReserved29 = 29,
  kReserved30 = 30,
  kReserved31 = 31,
  kReserved32 = 32,
  kReserved33 = 33,
  kReserved34 = 34,
  kMemo = 35,
  kImageUrl = 36,
  kReserved37 = 37,
  kReserved38 = 38,
  kReserved39 = 39,
  kReserved40 = 40,
  kReserved41 = 41,
  kReserved42 = 42,
  kReserved43 = 43,
  kReadState = 44,
  kReserved45 = 45,
  kReserved46 = 46,
  kReserved47 = 47,
  kReserved48 = 48,
  kReserved49 = 49,
  kReserved50 = 50,
  kReserved51 = 51,
  kReserved52 = 52,
  kReserved53 = 53,
  kReserved54 = 54,
  kReserved55 = 55,
  kReserved56 = 56,
  kReserved57 = 57,
  kReserved58 = 58,
  kReserved59 = 59,
  kReserved60 = 60,
  kReserved61 = 61,
  kReserved62 = 62,
  kAuthorExtra = 63,
  kReserved64 = 64,
  kReserved65 = 65,
};

struct TBase {
  std::string Code;  // 0
  std::string Title;  // 1
  std::string Reserved2;  // 2
  std::string Reserved3;  // 3
  std::string Volume;  // 4
  std::string Author;  // 5
  std::string AuthorReading;  // 6
  std::string Author2;  // 7
  std::string Author2Reading;  // 8
  std::string OtherAuthors;  // 9
  std::string CCode;  // 10
  std::string Reserved11;  // 11
  std::string Publisher;  // 12
  std::string Label;  // 13
  std::string Reserved14;  // 14
  std::string Size;  // 15
  std::string PageUrl;  // 16
  std::string AgeRating;  // 17
  std::string Reserved18;  // 18
  std::string PurchaseState;  // 19
  std::string Price;  // 20
  std::string TaxSetting;  // 21
  std::string Reserved22;  // 22
  std::string TaxSetting2;  // 23
  std::string EditionYear;  // 24
  std::string EditionMonth;  // 25
  std::string EditionDay;  // 26
  std::string Reserved27;  // 27
  std::string Reserved28;  // 28
  std::string Reserved29;  // 29
  std::string Reserved30;  // 30
  std::string Reserved31;  // 31
  std::string Reserved32;  // 32
  std::string Reserved33;  // 33
  std::string Reserved34;  // 34
  std::string Memo;  // 35
  std::string ImageUrl;  // 36
  std::string Reserved37;  // 37
  std::string Reserved38;  // 38
  std::string Reserved39;  // 39
  std::string Reserved40;  // 40
  std::string Reserved41;  // 41
  std::string Reserved42;  // 42
  std::string Reserved43;  // 43
  std::string ReadState;  // 44
  std::string Reserved45;  // 45
  std::string Reserved46;  // 46
  std::string Reserved47;  // 47
  std::string Reserved48;  // 48
  std::string Reserved49;  // 49
  std::string Reserved50;  // 50
  std::string Reserved51;  // 51
  std::string Reserved52;  // 52
  std::string Reserved53;  // 53
  std::string Reserved54;  // 54
  std::string Reserved55;  // 55
  std::string Reserved56;  // 56
  std::string Reserved57;  // 57
  std::string Reserved58;  // 58
  std::string Reserved59;  // 59
  std::string Reserved60;  // 60
  std::string Reserved61;  // 61
  std::string Reserved62;  // 62
  std::string AuthorExtra;  // 63
  std::string Reserved64;  // 64
  std::string Reserved65;  // 65

  // REQUIRES: 0 <= index < kFieldCount.
  std::string& operator[](int index);
  const std::string& operator[](int index) const;
};

// The field names in index order ("Code", "Title", "Reserved2", ...).
std::string_view FieldName(int index);

// The one book being looked up. Lives as long as the plug-in is loaded.
extern TBase BookRecord;

// Every field of BookRecord becomes empty.
void ClearBookRecord();

}  // namespace kanadeya
