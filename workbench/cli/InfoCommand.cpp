// recognize-cli info: the stored fields of an .rdf document as one JSON object.
#include "CRecognizeDoc.h"
#include "CliCommon.h"
#include "Commands.h"

#include <cstdio>

namespace {

const char* const kInfoUsage =
    "Usage: recognize-cli info DOC.rdf\n"
    "\n"
    "Opens the document and prints one JSON object on stdout: graphics_modified, user_text,\n"
    "additional_space, result_text, picture_present, result_picture, redraw_picture,\n"
    "line_width, picture {width, height}, coefficient (null when not a finite number),\n"
    "cells (the derived cell count) and font {first, last, cell_width, cell_height, valid}.\n"
    "Texts are given in UTF-8.\n";

}  // namespace

int RunInfoCommand(int argc, char** argv) {
    CCommandLine cl("info", kInfoUsage);
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (cl.Positionals().size() != 1)
        return cl.UsageError("exactly one document (DOC.rdf) is needed");
    const std::string& path = cl.Positionals().front();

    CStderrMessageSink sink;
    sink.SetContext(path);
    CRecognizeDoc doc;
    doc.SetMessageSink(&sink);
    if (!doc.OpenDocument(path))
        return kExitUsage;

    CJsonWriter json;
    json.BeginObject();
    json.Key("graphics_modified").Int(doc.m_bGraphicsModified);
    json.Key("user_text").Text(doc.m_strUserText);
    json.Key("additional_space").Int(doc.m_nAdditionalSpace);
    json.Key("result_text").Text(doc.m_strResultText);
    json.Key("picture_present").Int(doc.m_bPicturePresent);
    json.Key("result_picture").Int(doc.m_bResultPicture);
    json.Key("redraw_picture").Int(doc.m_bRedrawPicture);
    json.Key("line_width").Int(doc.m_nLineWidth);
    json.Key("picture").BeginObject();
    json.Key("width").Int(doc.m_Picture.width());
    json.Key("height").Int(doc.m_Picture.height());
    json.EndObject();
    json.Key("coefficient").Number(doc.m_dCoefficient);
    json.Key("cells").Int(doc.m_nCells);
    json.Key("font").BeginObject();
    json.Key("first").Int(doc.m_Font.First());
    json.Key("last").Int(doc.m_Font.Last());
    json.Key("cell_width").Int(doc.m_Font.CellWidth());
    json.Key("cell_height").Int(doc.m_Font.CellHeight());
    // An invalid font block leaves the document with a font without glyphs.
    json.Key("valid").Bool(doc.m_Font.HasGlyphs());
    json.EndObject();
    json.EndObject();
    std::printf("%s\n", json.Result().c_str());
    return kExitSuccess;
}
