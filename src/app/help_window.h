// The reader's own help window: the HTML help pages in a small browser with
// back, forward and start buttons, for systems where nothing else opens them.
#pragma once
#include <QDialog>
#include <QUrl>

class QTextBrowser;
class QToolButton;

class THelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget *parent = nullptr);

    // Shows the page (a local HTML file) and remembers it as the start page.
    void ShowPage(const QString &path);
    QTextBrowser *browser() const { return FBrowser; }
    QUrl startPage() const { return FHome; }

private:
    QTextBrowser *FBrowser;
    QToolButton *FBack, *FForward, *FHome_;
    QUrl FHome;
};

// True when the desktop has a program registered for HTML pages that the
// help can be handed to; false sends the help to THelpWindow.
bool DesktopOpensHtmlPages();
