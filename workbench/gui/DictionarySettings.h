#pragma once

#include <QString>

class CRecognizeDoc;

// The word list and alphabet that "&Dictionary..." chose, and whether words outside the list
// are allowed, kept in the per-user settings beside the recent-file list (group "Dictionary").
struct DictionaryChoice {
    bool bChosen = false;  // nothing saved: dict.dic with the Latin alphabet
    QString strPath;
    int nAlphabet = 1;     // 1 Latin, 0 Cyrillic
    bool bOpenWords = false;        // the open dictionary step
    double dUnknownPenalty = 0.2;   // its penalty, 0..10
};

DictionaryChoice ReadDictionaryChoice();
void WriteDictionaryChoice(const DictionaryChoice& choice);
// Gives doc the saved choice, when there is one, for its new or opened document.
void ApplyDictionaryChoice(CRecognizeDoc& doc);
