#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "ByteStream.h"
#include "LengthString.h"

namespace fuzzing {

void FuzzLengthString(std::span<const std::uint8_t> data)
{
    CByteReader reader(data);
    for (;;) {
        const std::size_t before = reader.Position();
        // The bounded read of the same string agrees with the unbounded one below.
        CByteReader probe = reader;
        std::string shortText = "unchanged";
        const bool shortRead = ReadLengthString(probe, shortText, 16);

        std::string text = "unchanged";
        const bool complete = ReadLengthString(reader, text);
        FUZZ_CHECK(!shortRead || (complete && shortText == text && probe.Position() == reader.Position()));
        FUZZ_CHECK(shortRead || shortText == "unchanged");
        if (!complete) {
            // A failed read leaves the text as it was and never reads past the input.
            FUZZ_CHECK(text == "unchanged");
            FUZZ_CHECK(reader.Position() <= data.size());
            return;
        }
        // Every read takes at least the length byte, and no more characters than there were.
        FUZZ_CHECK(reader.Position() > before);
        FUZZ_CHECK(text.size() <= reader.Position() - before);

        CByteWriter writer;
        WriteLengthString(writer, text);
        CByteReader again(writer.Bytes());
        std::string copy;
        FUZZ_CHECK(ReadLengthString(again, copy));
        FUZZ_CHECK(again.AtEnd());
        FUZZ_CHECK(copy == text);
        // The 8-bit form written from an 8-bit form read is the same bytes, unless the read
        // used a longer length prefix than needed.
        const auto read = data.subspan(before, reader.Position() - before);
        if (read.size() == writer.Bytes().size() && read[0] != 0xFF)
            FUZZ_CHECK(std::equal(read.begin(), read.end(), writer.Bytes().begin()));
    }
}

}  // namespace fuzzing
