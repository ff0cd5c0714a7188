#include "DictionarySettings.h"

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
    return choice;
}

void WriteDictionaryChoice(const DictionaryChoice& choice)
{
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Recognize"));
    settings.beginGroup(QStringLiteral("Dictionary"));
    settings.setValue(QStringLiteral("WordList"), choice.strPath);
    settings.setValue(QStringLiteral("Alphabet"), choice.nAlphabet);
    settings.endGroup();
    settings.sync();
}

void ApplyDictionaryChoice(CRecognizeDoc& doc)
{
    const DictionaryChoice choice = ReadDictionaryChoice();
    if (choice.bChosen)
        doc.SetDictionaryChoice(ToLocalPath(choice.strPath), choice.nAlphabet);
}
