// The window's fixed layout against the text it shows, with the window's own font (Verdana, or
// DejaVu Sans standing in for it) and with DejaVu Sans asked for outright. CTest runs it at
// QT_SCALE_FACTOR 1 and 2: the layout is in logical pixels, so the window must come out exactly
// that many times larger with every text still inside its control.
#include "LauncherWindow.h"
#include "sample_reply.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>

namespace {

// What the window will be asked to show: the stand-in registry's sample list, which the
// screenshots show too, plus the widest tileset caption.
QList<ServerEntry> shownServers() {
    QList<ServerEntry> servers = sampleServers();
    servers.append({"10.0.0.1", "7000", "Widest", "Tileset caption at its widest.", 255});
    return servers;
}

struct Window : LauncherWindow {
    explicit Window(const QString &family) {
        if (!family.isEmpty()) {
            QFont font = window.font();
            font.setFamilies({family});
            window.setFont(font);
        }
        const QByteArray reply = encodeServerList(shownServers());
        window.ingestReply(reply);
        window.show();
        QApplication::setActiveWindow(&window);
    }
};

QString fits(const QString &text, const QFontMetrics &metrics, const QRect &room) {
    const QSize needed(metrics.horizontalAdvance(text), metrics.height());
    if (needed.width() <= room.width() && needed.height() <= room.height())
        return {};
    return QStringLiteral("\"%1\" needs %2x%3, has %4x%5")
        .arg(text)
        .arg(needed.width())
        .arg(needed.height())
        .arg(room.width())
        .arg(room.height());
}

double expectedScale() {
    bool ok = false;
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    return ok ? scale : 1.0;
}

} // namespace

class tst_Layout : public QObject {
    Q_OBJECT

private slots:
    void scalesWithTheScreen();
    void textFits_data();
    void textFits();
};

void tst_Layout::scalesWithTheScreen() {
    Window w({});
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    const double scale = expectedScale();
    QCOMPARE(w.window.devicePixelRatio(), scale);
    QCOMPARE(w.window.size(), QSize(281, 169));
    const QPixmap picture = w.window.grab();
    QCOMPARE(picture.deviceIndependentSize().toSize(), QSize(281, 169));
    QCOMPARE(picture.size(), QSize(qRound(281 * scale), qRound(169 * scale)));
    for (QWidget *control : w.window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(w.window.rect().contains(control->geometry()), qPrintable(control->objectName()));
}

void tst_Layout::textFits_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<QByteArray>("control");

    // An empty family keeps the window's own font: Verdana where it is installed.
    const QStringList families{QString(), QStringLiteral("DejaVu Sans")};
    for (const QString &family : families) {
        const QByteArray label = family.isEmpty() ? "window font" : family.toUtf8();
        for (const char *control :
             {"cmbServers", "lblTileset", "txtDescription", "cmdConnect", "cmdCancel"})
            QTest::addRow("%s, %s", label.constData(), control) << family << QByteArray(control);
    }
}

void tst_Layout::textFits() {
    QFETCH(QString, family);
    QFETCH(QByteArray, control);
    if (!family.isEmpty() && !QFontDatabase::families().contains(family))
        QSKIP("font not installed");

    Window w(family);
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));

    if (control == "cmbServers") {
        QComboBox *list = w.child<QComboBox>(control);
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.editable = false;
        const QRect room = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, list);
        for (int i = 0; i < list->count(); ++i) {
            const QString problem = fits(list->itemText(i), list->fontMetrics(), room);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    } else if (control == "lblTileset") {
        QLabel *label = w.child<QLabel>(control);
        w.child<QComboBox>("cmbServers")->setCurrentIndex(int(shownServers().size()) - 1);
        QCOMPARE(label->text(), QStringLiteral("Tileset Number: 255"));
        const QString problem = fits(label->text(), label->fontMetrics(), label->contentsRect());
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    } else if (control == "txtDescription") {
        // Descriptions wrap; clipped would mean a line cut off without a way to scroll to it.
        QComboBox *list = w.child<QComboBox>("cmbServers");
        auto *box = w.child<QPlainTextEdit>(control);
        QVERIFY(box->viewport()->height() >= box->fontMetrics().lineSpacing());
        for (int i = 0; i < list->count(); ++i) {
            list->setCurrentIndex(i);
            QCOMPARE(box->verticalScrollBar()->maximum(), 0);
            QCOMPARE(box->horizontalScrollBar()->maximum(), 0);
        }
    } else {
        QPushButton *button = w.child<QPushButton>(control);
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QString problem =
            fits(button->text().remove(QLatin1Char('&')), button->fontMetrics(), room);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
}

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
