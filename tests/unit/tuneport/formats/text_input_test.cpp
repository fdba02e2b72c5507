// Text readers on input that is not quite text: byte order marks, NUL bytes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tuneport/esac/esac_reader.h"
#include "tuneport/formats/melody_table.h"
#include "tuneport/formats/note_list.h"

namespace suite::tuneport {
namespace {

using namespace std::string_literals;

struct Case {
  const char* what;
  std::string text;
  std::string error;  ///< empty: the read succeeds
};

TEST(TextInput, NoteListsWithByteOrderMarksAndNulBytes) {
  const Case cases[] = {
      {"mark before the note form", "\xEF\xBB\xBFNote 0 500 60\r\nNote 500 900 62\r\n", ""},
      {"mark before the event form", "\xEF\xBB\xBFNote-on 0 60\nNote-off 500 60\n", ""},
      {"mark on a later line", "Note 0 500 60\n\xEF\xBB\xBFNote 500 900 62\n", " Invalid line"},
      {"NUL before the first note", "% header\n\0\0\0\nNote 0 500 60\n"s, "Bad file format"},
      {"NUL among events", "Note-on 0 60\nx\0y\nNote-off 500 60\n"s, "Bad file format"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::istringstream in(c.text);
    std::ostringstream report;
    model::ConverterMelody melody;
    std::string error;
    const bool read =
        formats::readNoteList(in, model::ConversionSettings{}, report, melody, error);
    EXPECT_EQ(read, c.error.empty());
    EXPECT_EQ(error, c.error);
    if (read) {
      EXPECT_EQ(melody.pitches().front(), 60);
    }
  }
}

TEST(TextInput, EsacTextWithNulBytesIsRefused) {
  const std::string record = "X1\nKEY[X0001  16  C 4/4]\nMEL[1_2_ //]\n";
  const Case cases[] = {
      {"plain record", record, ""},
      {"NUL in the melody", "X1\nKEY[X0001  16  C 4/4]\nMEL[1_\0_2_ //]\n"s,
       std::string(esac::kNotTextText)},
      {"NUL after the record", record + "\0"s, std::string(esac::kNotTextText)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::istringstream in(c.text);
    model::ConverterMelody melody;
    std::string error;
    EXPECT_EQ(esac::readEsacStream(in, model::ConversionSettings{}, melody, error),
              c.error.empty());
    EXPECT_EQ(error, c.error);
  }
}

// Bar, beat and tick fields at the ends of the int range (as a table written
// from a damaged melody holds them) are read without overflow; the
// sanitizer build checks the arithmetic.
TEST(TextInput, MelodyTableWithExtremeBarPositions) {
  const std::string head =
      "Signature: 4/4, Ticks per Beat: 96, Annotated Key: 0\n"
      "onset;onsetics;takt;beat;ticks;pitch;durs;durtic;dur16;\n";
  for (const std::string position : {"-2147483648;-2147483648;-2147483648",
                                     "2147483647;2147483647;2147483647", "1;-2147483648;0"}) {
    SCOPED_TRACE(position);
    std::istringstream in(head + "0,0000;0;1;1;0;60;0,5000;96;4;\n0,5000;96;" + position +
                          ";62;0,5000;96;4;\n");
    model::ConverterMelody melody;
    std::string error;
    ASSERT_TRUE(formats::readMelodyTable(in, "t.csv", melody, error)) << error;
    EXPECT_EQ(melody.pitches(), (std::vector<std::int32_t>{60, 62}));
  }
}

}  // namespace
}  // namespace suite::tuneport
