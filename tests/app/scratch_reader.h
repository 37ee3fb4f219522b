// The reader's main window as the tests drive it: its recent list lives in a
// scratch folder and starts empty, the open dialog answers from a list, and
// the balloons a test opened go with the window. Each test records what it
// looks at (messages, questions, help pages) in its own subclass.
#pragma once
#include "app/win_reader.h"
#include "components/balloon.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>

class ScratchReader : public TfrmWinReader {
public:
    explicit ScratchReader(const QStringList &args = {"quenlor"}) : TfrmWinReader(args)
    {
        RecentFiles->IniFileName = dir.filePath("Morvel.ini");
        for (QAction *a : opcRecientes->actions())
            opcRecientes->removeAction(a);
    }
    ~ScratchReader() override
    {
        // Balloons own themselves; a test leaves none behind.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<TBalloon *>(w))
                delete w;
    }
    QString AskOpenFileName() override { return answers.isEmpty() ? QString() : answers.takeFirst(); }

    // Writes `content` to `name` in the scratch folder and gives its path.
    QString file(const QString &name, const QByteArray &content)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return f.fileName();
    }

    QTemporaryDir dir;
    QStringList answers; // file names the open dialog gives, in order
};
