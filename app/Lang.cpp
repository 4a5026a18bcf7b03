#include "Lang.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QTranslator>

bool& Lang::englishFlag()
{
    static bool english = false;
    return english;
}

void Lang::installToolkitTranslation()
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(QCoreApplication::instance());
    for (const char* name : {"qtbase_pt_BR", "qtbase_pt"}) {
        if (translator->load(QString::fromLatin1(name), folder)) {
            QCoreApplication::installTranslator(translator);
            qInfo().noquote() << "traducao do Qt carregada:" << translator->filePath();
            return;
        }
    }
    qInfo().noquote() << "traducao do Qt nao encontrada em" << folder;
    delete translator;
}

QString L(const char* pt, const char* en)
{
    return QString::fromUtf8(Lang::englishFlag() ? en : pt);
}
