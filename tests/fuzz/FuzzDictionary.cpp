#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "CDictionary.h"
#include "words/CDictionaryImage.h"

#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace fuzzing {

namespace {

// True when following entry from the root ends at a word end.
bool HasEntry(const CDictionary& dictionary, std::string_view entry)
{
    const CDictNode* node = dictionary.GetRoot();
    for (char c : entry)
        node = dictionary.GetChild(node, static_cast<std::uint8_t>(c));
    return node->IsWordEnd() == 1;
}

// The entry that a line of dict.dic stands for: without the CR before its LF, trimmed of
// spaces, at most 998 characters from its first non-space character, then a space.
std::string EntryOf(std::string_view line, bool endsAtLf)
{
    if (endsAtLf && !line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(' ');
    line.remove_prefix(first == std::string_view::npos ? line.size() : first);
    line = line.substr(0, 998);
    const std::size_t last = line.find_last_not_of(' ');
    return std::string(line.substr(0, last == std::string_view::npos ? 0 : last + 1)) + ' ';
}

}  // namespace

void FuzzDictionary(std::span<const std::uint8_t> data)
{
    if (data.empty())
        return;
    // The first byte chooses the alphabet: 0 Cyrillic, 1 Latin, anything else no alphabet
    // at first and then Cyrillic over a Latin table, which leaves some Latin slots.
    const int choice = data[0] % 3;
    const std::string_view text(reinterpret_cast<const char*>(data.data()) + 1, data.size() - 1);

    CDictionary dictionary;
    if (choice == 2) {
        FUZZ_CHECK(!dictionary.SetAlphabet(choice));
        FUZZ_CHECK(dictionary.GetRoot() == nullptr && !dictionary.AddWord("x"));
        FUZZ_CHECK(dictionary.SetAlphabet(1));
    }
    FUZZ_CHECK(dictionary.SetAlphabet(choice == 1 ? 1 : 0));
    // Far below every bound: the whole text is kept.
    FUZZ_CHECK(dictionary.LoadWordsFromText(text));
    FUZZ_CHECK(dictionary.LastLoad().bRead && dictionary.LastLoad().nKept == dictionary.LastLoad().nLines);

    // No slot lies past the child table, and the dead end leads only to itself.
    for (int code = 0; code < 256; ++code) {
        FUZZ_CHECK(dictionary.Slot(static_cast<std::uint8_t>(code)) < dictionary.AlphabetSize());
        FUZZ_CHECK(dictionary.GetChild(dictionary.DeadEnd(), static_cast<std::uint8_t>(code)) == dictionary.DeadEnd());
    }
    FUZZ_CHECK(dictionary.DeadEnd()->IsWordEnd() == 0);
    // A node per character and line at most, and every line's entry is a word.
    FUZZ_CHECK(dictionary.NodeCount() <= text.size() + 3);
    FUZZ_CHECK(HasEntry(dictionary, " "));
    const auto everyLineIsAWord = [&] {
        std::size_t start = 0;
        for (;;) {
            const std::size_t lf = text.find('\n', start);
            const std::string_view line = text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
            FUZZ_CHECK(HasEntry(dictionary, EntryOf(line, lf != std::string_view::npos)));
            if (lf == std::string_view::npos)
                break;
            start = lf + 1;
        }
    };
    everyLineIsAWord();

    // The same lines again into the full tree add no node; an entry added by hand is a word
    // and the lines stay words.
    const std::size_t nodes = dictionary.NodeCount();
    FUZZ_CHECK(dictionary.LoadWordsFromText(text));
    FUZZ_CHECK(dictionary.NodeCount() == nodes);
    const std::string_view extra = text.substr(0, 40);
    dictionary.AddWord(extra);
    FUZZ_CHECK(HasEntry(dictionary, extra));
    FUZZ_CHECK(dictionary.NodeCount() <= nodes + extra.size());
    everyLineIsAWord();

    // The input's bytes as the nodes of an image: it is refused unless every child that a
    // node names lies in the block, past the root.
    const std::size_t count = data.size() / sizeof(CDictNode);
    if (count == 0)
        return;
    std::vector<CDictNode> raw(count);
    std::memcpy(static_cast<void*>(raw.data()), data.data(), count * sizeof(CDictNode));
    DictionaryImageKey key;
    key.nAlphabetSize = static_cast<std::uint32_t>(dictionary.AlphabetSize());
    for (int code = 0; code < 256; ++code)
        key.slots[code] = static_cast<std::uint8_t>(dictionary.Slot(static_cast<std::uint8_t>(code)));
    DictionaryImageFacts facts;
    facts.nNodes = count;
    // A folder of this process, removed when it ends.
    static const struct Folder {
        std::string path = "/tmp/fuzz_dict_" + std::to_string(::getpid());
        Folder() { ::mkdir(path.c_str(), 0700); }
        ~Folder() { ::rmdir(path.c_str()); }
    } folder;
    const std::string path = folder.path + "/image.tree";
    if (!WriteDictionaryImage(path, key, facts, raw.data()))
        return;
    if (const std::unique_ptr<CDictionaryImage> image = CDictionaryImage::Map(path, key)) {
        const CDictNode* block = image->Nodes();
        for (std::size_t i = 0; i < image->Count(); ++i) {
            const std::uint64_t mask = block[i].ChildMask();
            FUZZ_CHECK(mask >> key.nAlphabetSize == 0);
            if (mask != 0)
                FUZZ_CHECK(block[i].FirstChildIndex() >= 1 &&
                           block[i].FirstChildIndex() + static_cast<std::size_t>(CDictionary::PopCount(mask)) <= image->Count());
        }
    }
    ::unlink(path.c_str());
}

}  // namespace fuzzing
