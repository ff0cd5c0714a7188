#pragma once

// Fonts, message sinks and views for the tests of the document model and recognize-cli.

#include "CDocView.h"
#include "GlyphFixtures.h"
#include "IMessageSink.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string_view>
#include <string>
#include <vector>

namespace docfixtures {

// A font of the codes 0..127 whose glyphs are all width x height (so the cell is too);
// 'A', 'B' and 'C' carry noise, every other glyph is blank.
inline CCharImageFont MakeCellFont(int width, int height)
{
    return fixtures::MakeFont(0, 127, [&](int code) {
        if (code >= 'A' && code <= 'C')
            return fixtures::MakeNoiseGlyph(width, height, static_cast<unsigned>(code));
        return fixtures::MakeGlyph(width, height);
    });
}

// GLF bytes written by hand: the codes 0..32, the first 32 excluded (00 00), code 32 a blank
// glyph of width x height, so the cell is width x height.
inline std::vector<std::uint8_t> HandMadeCellGlf(int width, int height)
{
    std::vector<std::uint8_t> bytes = fixtures::GlfHeader(0, 32);
    for (int code = 0; code < 32; ++code) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    bytes.push_back(static_cast<std::uint8_t>(width));
    bytes.push_back(static_cast<std::uint8_t>(height));
    bytes.insert(bytes.end(), static_cast<std::size_t>((width + 7) / 8 * height), 0);
    return bytes;
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Records every message and beep.
class CRecordingSink final : public IMessageSink {
public:
    struct Message {
        std::string text;
        std::string title;
        MessageIcon icon;
    };
    void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override
    {
        messages.push_back({std::string(text), std::string(title), icon});
    }
    void Beep() override { ++beeps; }
    void ShowNote(std::string_view text) override { notes.emplace_back(text); }

    std::vector<Message> messages;
    std::vector<std::string> notes;
    int beeps = 0;
};

// Counts its updates and remembers the last sender.
class CCountingView final : public CDocView {
public:
    explicit CCountingView(bool graphics = false) : m_bGraphics(graphics) {}
    void OnUpdate(CDocView* sender, long hint) override
    {
        ++updates;
        lastSender = sender;
        lastHint = hint;
    }
    bool IsGraphicsView() const override { return m_bGraphics; }

    int updates = 0;
    CDocView* lastSender = nullptr;
    long lastHint = -1;

private:
    bool m_bGraphics;
};

}  // namespace docfixtures
