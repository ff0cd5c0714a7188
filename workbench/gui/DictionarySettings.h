#pragma once

#include <QString>

class CRecognizeDoc;

// The word list and alphabet that "&Dictionary..." chose, kept in the per-user settings
// beside the recent-file list (group "Dictionary").
struct DictionaryChoice {
    bool bChosen = false;  // nothing saved: dict.dic with the Latin alphabet
    QString strPath;
    int nAlphabet = 1;     // 1 Latin, 0 Cyrillic
};

DictionaryChoice ReadDictionaryChoice();
void WriteDictionaryChoice(const DictionaryChoice& choice);
// Gives doc the saved choice, when there is one, for its new or opened document.
void ApplyDictionaryChoice(CRecognizeDoc& doc);
