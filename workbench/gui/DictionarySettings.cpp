#include "DictionarySettings.h"

#include "COpenRecognizer.h"
#include "CRecognizeDoc.h"
#include "TextCodec.h"

#include <QSettings>

DictionaryChoice ReadDictionaryChoice()
{
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Recognize"));
    settings.beginGroup(QStringLiteral("Dictionary"));
    DictionaryChoice choice;
    choice.strPath = settings.value(QStringLiteral("WordList")).toString();
    choice.bChosen = !choice.strPath.isEmpty();
    choice.nAlphabet = settings.value(QStringLiteral("Alphabet"), 1).toInt() == 0 ? 0 : 1;
    choice.bOpenWords = settings.value(QStringLiteral("OpenWords"), false).toBool();
    bool number = false;
    const double penalty = settings.value(QStringLiteral("UnknownPenalty")).toDouble(&number);
    // A value edited out of range by hand falls back to the default.
    choice.dUnknownPenalty = number && penalty >= 0 && penalty <= OpenWordsOptions::kMaxPenalty ? penalty
                                                                                                 : OpenWordsOptions::kDefaultPenalty;
    return choice;
}

void WriteDictionaryChoice(const DictionaryChoice& choice)
{
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Recognize"));
    settings.beginGroup(QStringLiteral("Dictionary"));
    settings.setValue(QStringLiteral("WordList"), choice.strPath);
    settings.setValue(QStringLiteral("Alphabet"), choice.nAlphabet);
    settings.setValue(QStringLiteral("OpenWords"), choice.bOpenWords);
    settings.setValue(QStringLiteral("UnknownPenalty"), choice.dUnknownPenalty);
    settings.endGroup();
    settings.sync();
}

void ApplyDictionaryChoice(CRecognizeDoc& doc)
{
    const DictionaryChoice choice = ReadDictionaryChoice();
    if (choice.bChosen)
        doc.SetDictionaryChoice(ToLocalPath(choice.strPath), choice.nAlphabet);
    doc.SetOpenWords(choice.bOpenWords, choice.dUnknownPenalty);
}
