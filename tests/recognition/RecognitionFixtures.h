#pragma once

// Documents, pictures, dictionaries and recorders for the recognition tests.

#include "CDocView.h"
#include "CRecognizeDoc.h"
#include "GlyphFixtures.h"
#include "IMessageSink.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace recfixtures {

inline constexpr std::string_view kNoDictionary = "You MUST load dictionary \nbefore you can use Step 2!\n";
inline constexpr std::string_view kNoVariants = "There are no variants! \nTry to increase Recognition Coefficient.";

// Records the texts of the messages; fails the test when a caption or icon is not the
// recognition commands'.
class CRecordingSink final : public IMessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override
    {
        messages.emplace_back(text);
        if (title != "Recognize" || icon != MessageIcon::Error)
            badCaptions.emplace_back(title);
    }
    void Beep() override {}

    std::vector<std::string> messages;
    std::vector<std::string> badCaptions;
};

class CCountingView final : public CDocView {
public:
    void OnUpdate(CDocView*, long) override { ++updates; }
    int updates = 0;
};

// A document without files: the font given, an empty Latin dictionary (or, without alphabet,
// one with no root) that AddWords fills, the picture that Draw renders, and a recording sink
// and view attached.
class CTestDoc {
public:
    explicit CTestDoc(CCharImageFont font, bool alphabet = true)
    {
        doc.m_Font = std::move(font);
        if (alphabet)
            doc.m_Dictionary.SetAlphabet(1);
        doc.SetMessageSink(&sink);
        doc.AddView(&view);
    }
    ~CTestDoc() { doc.RemoveView(&view); }
    CTestDoc(const CTestDoc&) = delete;
    CTestDoc& operator=(const CTestDoc&) = delete;

    void AddWords(std::initializer_list<std::string_view> words)
    {
        for (std::string_view word : words)
            doc.m_Dictionary.AddWord(std::string(word) + ' ');
    }
    // Draws text as "Set text..." does, with space blank cells after it.
    void Draw(const std::string& text, int space)
    {
        doc.m_strUserText = text;
        doc.m_nAdditionalSpace = space;
        doc.m_nCells = static_cast<int>(text.size()) + space;
        doc.m_bHasPicture = doc.RenderText(doc.m_Picture, text);
    }

    CRecognizeDoc doc;
    CRecordingSink sink;
    CCountingView view;
};

// Sets the pixel to black or white.
inline void Paint(CRaster& picture, int x, int y, bool ink)
{
    picture.SetPixel(x, y, ink ? CRaster::kBlack : CRaster::kWhite);
}

}  // namespace recfixtures
