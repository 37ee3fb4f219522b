#include "app/application.h"
#include "app/splash.h"
#include "app/win_reader.h"

#include "platform/settings.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimerEvent>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace {

// Records which handler ran instead of running it.
class RecordingReader : public TfrmWinReader {
public:
    RecordingReader() : TfrmWinReader({"quenlor"}) {}
    QStringList ran;
    QString recentPath;

    void btnAbrirClick() override { ran << "btnAbrirClick"; }
    void RecentFilesItemClick(QObject *, const QString &file) override
    {
        ran << "RecentFilesItemClick";
        recentPath = file;
    }
    void btnPreverClick() override { ran << "btnPreverClick"; }
    void btnImprimirClick() override { ran << "btnImprimirClick"; }
    void opcConfigurarImpresoraClick() override { ran << "opcConfigurarImpresoraClick"; }
    void opcSalirClick() override { ran << "opcSalirClick"; }
    void btnBuscarClick() override { ran << "btnBuscarClick"; }
    void opcSeleccionarClick() override { ran << "opcSeleccionarClick"; }
    void btnCopiarClick() override { ran << "btnCopiarClick"; }
    void btnAyudaClick() override { ran << "btnAyudaClick"; }
    void opcAcercaClick() override { ran << "opcAcercaClick"; }
    void tmrSplashTimer() override
    {
        ran << "tmrSplashTimer";
        TfrmWinReader::tmrSplashTimer();
    }
};

QAction *menuItem(QMenu *menu, const QString &caption)
{
    // Captions carry Alt mnemonics ("&Abrir"); a person reads them without the mark.
    for (QAction *a : menu->actions())
        if (QString(a->text()).remove('&') == caption)
            return a;
    return nullptr;
}

QToolButton *buttonWithTip(QToolBar *bar, const QString &tip)
{
    for (QToolButton *b : bar->findChildren<QToolButton *>())
        if (b->toolTip() == tip && b->defaultAction())
            return b;
    return nullptr;
}

TEST(WinReader, EveryControlRunsItsHandler)
{
    RecordingReader w;
    struct Case {
        const char *where;
        QString caption;
        const char *handler;
    };
    const Case menuCases[] = {
        {"Archivo", "Abrir", "btnAbrirClick"},
        {"Archivo", "Vista preliminar", "btnPreverClick"},
        {"Archivo", "Imprimir", "btnImprimirClick"},
        {"Archivo", "Configurar impresora...", "opcConfigurarImpresoraClick"},
        {"Archivo", "Salir", "opcSalirClick"},
        {"Edición", "Copiar", "btnBuscarClick"},
        {"Edición", "Seleccionar todo", "opcSeleccionarClick"},
        {"Edición", "Buscar", "btnCopiarClick"},
        {"Ayuda", "Temas de Ayuda", "btnAyudaClick"},
        {"Ayuda", "Acerca de...", "opcAcercaClick"},
        {"pmuEditor", "Copiar", "btnBuscarClick"},
        {"pmuEditor", "Seleccionar todo", "opcSeleccionarClick"},
    };
    const std::map<QString, QMenu *> menus = {
        {"Archivo", w.opcArchivo}, {"Edición", w.opcEdicion}, {"Ayuda", w.opcAyuda}, {"pmuEditor", w.pmuEditor}};
    for (const auto &c : menuCases) {
        SCOPED_TRACE(std::string(c.where) + " / " + c.caption.toStdString());
        QAction *a = menuItem(menus.at(c.where), c.caption);
        ASSERT_TRUE(a);
        w.ran.clear();
        a->trigger();
        EXPECT_EQ(w.ran, QStringList{c.handler});
    }

    // The tool tips say what the buttons do, whatever their names.
    const Case toolCases[] = {
        {"btnAbrir", "Abrir...", "btnAbrirClick"},
        {"btnPrever", "Vista preliminar", "btnPreverClick"},
        {"btnImprimir", "Imprimir", "btnImprimirClick"},
        {"btnBuscar", "Copiar", "btnBuscarClick"},
        {"btnCopiar", "Buscar...", "btnCopiarClick"},
        {"btnAyuda", "Temas de Ayuda", "btnAyudaClick"},
    };
    QStringList order;
    for (QAction *a : w.TBEditor->actions())
        order << (a->isSeparator() ? QString("|") : w.TBEditor->widgetForAction(a)->objectName());
    EXPECT_EQ(order.join(' '), "btnAbrir | btnPrever btnImprimir | btnBuscar | btnCopiar | btnAyuda");
    for (const auto &c : toolCases) {
        SCOPED_TRACE(c.where);
        QToolButton *b = buttonWithTip(w.TBEditor, c.caption);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->objectName(), c.where);
        w.ran.clear();
        b->click();
        EXPECT_EQ(w.ran, QStringList{c.handler});
    }
}

TEST(WinReader, EachShortcutBelongsToOneCommand)
{
    RecordingReader w;
    const std::map<QString, QString> expected = {
        {"Ctrl+A", "btnAbrirClick"}, {"Ctrl+E", "opcSeleccionarClick"}, {"Ctrl+B", "btnCopiarClick"}, {"Ctrl+C", "btnBuscarClick"}};
    std::map<QString, QList<QAction *>> owners;
    for (QAction *a : w.findChildren<QAction *>())
        for (const QKeySequence &k : a->shortcuts())
            owners[k.toString()] << a;
    for (const auto &[keys, actions] : owners) {
        SCOPED_TRACE(keys.toStdString());
        EXPECT_EQ(actions.size(), 1);
    }
    for (const char *keys : {"F3", "Shift+F3", "Ctrl++", "Ctrl+-", "Ctrl+0", "Esc", "Ctrl+Shift+W"})
        EXPECT_EQ(owners.count(keys), 1u) << keys;
    for (const auto &[keys, handler] : expected) {
        SCOPED_TRACE(keys.toStdString());
        ASSERT_EQ(owners[keys].size(), 1);
        w.ran.clear();
        owners[keys].first()->trigger();
        EXPECT_EQ(w.ran, QStringList{handler});
    }
}

TEST(WinReader, StartsWithCaptionAndEmptyPanels)
{
    RecordingReader w;
    EXPECT_EQ(w.windowTitle(), "Quenlor v1.0");
    EXPECT_FALSE(w.statusPanelText(0).isEmpty());
    EXPECT_TRUE(w.statusPanelText(1).isEmpty());
    EXPECT_TRUE(w.statusPanelText(2).isEmpty());
    EXPECT_EQ(w.statusPanel(0)->width(), 290);
    EXPECT_EQ(w.statusPanel(1)->width(), 50);
    EXPECT_EQ(w.centralWidget(), w.rvRevisar);
    EXPECT_EQ(w.rvRevisar->PopupMenu(), w.pmuEditor);
    EXPECT_EQ(w.opcArchivo->actions().indexOf(w.opcRecientes->menuAction()), 1);
    EXPECT_EQ(w.RecentFiles->MenuItem, w.opcRecientes);
    EXPECT_TRUE(w.RecentFiles->IniFileName.endsWith("Morvel.ini"));
    EXPECT_EQ(w.RecentFiles->Category, "Estudios Recientes");
    EXPECT_EQ(w.RecentFiles->MaxFiles, 7);
    EXPECT_TRUE(w.commandLineFile().isEmpty());
}

TEST(WinReader, RecentEntryRunsTheRecentHandler)
{
    RecordingReader w;
    w.RecentFiles->AddFile("/estudios/Juan.rvf");
    w.RecentFiles->AddFile("/estudios/Rut.rvf");
    w.opcRecientes->actions().at(1)->trigger();
    EXPECT_EQ(w.ran, QStringList{"RecentFilesItemClick"});
    EXPECT_EQ(w.recentPath, "/estudios/Juan.rvf");
    EXPECT_EQ(w.RecentFiles->files().first(), "/estudios/Juan.rvf");
}

TEST(WinReader, SplashTimerFiresOnce)
{
    TfrmSplash splash;
    frmSplash = &splash;
    splash.show();
    {
        RecordingReader w;
        ASSERT_TRUE(w.tmrSplash);
        EXPECT_TRUE(w.tmrSplash->isActive());
        EXPECT_EQ(w.tmrSplash->interval(), 4000);
        const int id = w.tmrSplash->timerId();
        QTimerEvent tick(id);
        QCoreApplication::sendEvent(w.tmrSplash, &tick);
        EXPECT_EQ(w.ran, QStringList{"tmrSplashTimer"});
        EXPECT_FALSE(splash.isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(w.tmrSplash); // nothing left to fire again
    }
    EXPECT_EQ(splash.size(), QSize(482, 362));
    frmSplash = nullptr;
}

TEST(WinReader, SizeRestoredAtCreateAndSavedAtClose)
{
    {
        platform::KeyStore key("Software\\Tavrin\\Reader");
        key.writeInteger("Top", 40);
        key.writeInteger("Left", 30);
        key.writeInteger("Width", 640);
        key.writeInteger("Height", 480);
        key.sync();
    }
    QRect outer;
    {
        RecordingReader w;
        EXPECT_EQ(w.frameGeometry().size(), QSize(640, 480));
        // Once shown, the window has a frame and still measures 640 x 480 outside.
        w.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(w.frameGeometry().size(), QSize(640, 480));
        w.setGeometry(100, 50, 800, 600);
        outer = w.frameGeometry();
        w.close();
    }
    const platform::KeyStore key("Software\\Tavrin\\Reader");
    EXPECT_EQ(key.readInteger("Top"), outer.top());
    EXPECT_EQ(key.readInteger("Left"), outer.left());
    EXPECT_EQ(key.readInteger("Width"), outer.width());
    EXPECT_EQ(key.readInteger("Height"), outer.height());

    // With nothing stored the window has its designed outer size.
    {
        platform::KeyStore clear("Software\\Tavrin\\Reader");
        for (const char *n : {"Top", "Left", "Width", "Height"})
            clear.deleteValue(n);
        clear.sync();
    }
    RecordingReader fresh;
    EXPECT_EQ(fresh.frameGeometry().size(), QSize(700, 549));
}

TEST(WinReader, CommandLineFileIsTheFirstArgument)
{
    TfrmWinReader w({"quenlor", "/estudios/Juan.rvf", "otro"});
    EXPECT_EQ(w.commandLineFile(), "/estudios/Juan.rvf");
    EXPECT_TRUE(w.programDir().endsWith('/'));
}

TEST(Application, EscapedErrorsAreShownAndTheProgramGoesOn)
{
    QStringList shown;
    auto show = [&](const QString &m) { shown << m; };
    EXPECT_TRUE(deliverGuarded([] { return true; }, show));
    EXPECT_FALSE(deliverGuarded([]() -> bool { throw std::runtime_error("List index out of bounds (7)"); }, show));
    EXPECT_FALSE(deliverGuarded([]() -> bool { throw 42; }, show));
    EXPECT_EQ(shown, (QStringList{"List index out of bounds (7)", "Error desconocido"}));
}

} // namespace
