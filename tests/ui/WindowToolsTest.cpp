#include "support/TestIconTheme.h"
#include "ui/ConventionalIcons.h"
#include "ui/ProportionalLayout.h"
#include "ui/QtPrompter.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {
QImage render(const QIcon &icon, int size, qreal dpr = 1.0)
{
    return icon.pixmap(QSize(size, size), dpr).toImage();
}

int opaquePixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0;
    return n;
}
} // namespace

TEST(ConventionalIcons, DrawnOnesAreDistinctAtEverySize)
{
    const QStringList names = drawnIconNames();
    ASSERT_EQ(names.size(), 10);
    for (int size : {16, 22, 32}) {
        std::vector<QImage> images;
        for (const QString &name : names) {
            const QImage image = render(drawnIcon(name), size);
            EXPECT_GT(opaquePixels(image), size * size / 5) << name.toStdString() << size;
            images.push_back(image);
        }
        for (size_t i = 0; i < images.size(); ++i)
            for (size_t j = i + 1; j < images.size(); ++j)
                EXPECT_NE(images[i], images[j]) << names[static_cast<int>(i)].toStdString()
                                                << names[static_cast<int>(j)].toStdString();
    }
    // Sharp on a scaled screen: drawn for the device pixels, not blown up.
    const QImage scaled = render(drawnIcon("document-print"), 22, 1.5);
    EXPECT_EQ(scaled.width(), 33);
    EXPECT_TRUE(drawnIcon("no-such-icon").isNull());
}

TEST(ConventionalIcons, TheThemesOwnWhenItHasOne)
{
    TestIconTheme theme({"document-print"});
    EXPECT_EQ(conventionalIcon("document-print").name(), "document-print");
    // Missing from the theme: the drawn one, not an empty or unrelated icon.
    const QIcon help = conventionalIcon("help-contents");
    EXPECT_FALSE(help.isNull());
    EXPECT_EQ(render(help, 22), render(drawnIcon("help-contents"), 22));
}

TEST(ProportionalLayout, MinimumSizeKeepsEveryTextWhole)
{
    QWidget w;
    w.resize(400, 200);
    auto *button = new QPushButton("A rather long caption", &w);
    button->setGeometry(10, 10, 100, 30); // a quarter of the width
    auto *frame = new QGroupBox("Frame", &w);
    frame->setGeometry(200, 100, 180, 80);
    auto *radio = new QRadioButton("Choice", frame);
    radio->setGeometry(10, 30, 160, 40);
    auto *combo = new QComboBox(&w);
    combo->addItem("A long drop-down entry");
    combo->setGeometry(200, 10, 180, 40);
    ProportionalLayout layout;
    layout.attach(&w);
    const QSize min = layout.minimumSize();
    EXPECT_EQ(w.minimumSize(), min);
    EXPECT_GE(min.width(), button->sizeHint().width() * 4);
    layout.apply(min);
    for (QWidget *c : {static_cast<QWidget *>(button), static_cast<QWidget *>(radio),
                       static_cast<QWidget *>(combo)}) {
        EXPECT_GE(c->width(), c->sizeHint().width()) << c->metaObject()->className();
        EXPECT_GE(c->height(), c->sizeHint().height()) << c->metaObject()->className();
    }
    EXPECT_GE(radio->y(), frame->fontMetrics().height()); // below the frame's title
    // A drop-down list stays within its place when small, and keeps its size when large.
    EXPECT_LE(combo->x() + combo->width(), min.width());
    layout.apply(QSize(800, 400));
    EXPECT_EQ(combo->size(), QSize(180, 40));
    EXPECT_EQ(combo->pos(), QPoint(400, 20));
}

TEST(WindowPlacement, AWindowLargerThanTheScreenFitsOrKeepsItsTitleBarOnScreen)
{
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    QWidget big;
    big.resize(area.width() + 300, area.height() + 300);
    centerOnScreen(big);
    const QMargins frame = frameOf(big);
    EXPECT_LE(big.width() + frame.left() + frame.right(), area.width());
    EXPECT_LE(big.height() + frame.top() + frame.bottom(), area.height());
    EXPECT_TRUE(area.contains(frameRect(big)));

    QWidget tooWide;
    tooWide.setMinimumSize(area.width() + 100, 200);
    centerOnScreen(tooWide);
    EXPECT_EQ(frameRect(tooWide).x(), area.x()); // its title bar and menu stay in reach
    EXPECT_GT(frameRect(tooWide).y(), area.y());
    EXPECT_EQ(tooWide.width(), area.width() + 100);

    QWidget small;
    small.resize(300, 200);
    centerOnScreen(small);
    EXPECT_NEAR(frameRect(small).center().x(), area.center().x(), 10);
}

// A window made on the system before it is placed (a dialog was opened over it first, as the
// database's at start) takes a move for its inside: placed all the same by its frame, its
// title bar stays on the screen.
TEST(WindowPlacement, AWindowMadeBeforeItIsPlacedKeepsItsTitleBarOnScreen)
{
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    for (const bool madeFirst : {false, true}) {
        QWidget window;
        window.resize(area.width() - 20, area.height() - 10);
        if (madeFirst)
            (void)window.winId();
        centerOnScreen(window);
        window.show();
        EXPECT_TRUE(area.contains(frameRect(window))) << madeFirst;
        EXPECT_GE(window.geometry().top(), area.top() + frameOf(window).top()) << madeFirst;
    }
}

TEST(QtPrompter, BoxesOverTheirWindowOrItsDialogAndADeleteDefaultsToNo)
{
    QWidget window;
    window.setObjectName("window");
    std::string detail;
    const std::unique_ptr<Prompter> prompter =
        qtPrompterFactory()(window, [&detail](const std::string &d) { detail = d; });
    QWidget *seenParent = nullptr;
    int boxWidth = 0;
    QString defaultButton;
    auto answerNextBox = [&] {
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            seenParent = box->parentWidget();
            boxWidth = box->width();
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            box->defaultButton() ? box->defaultButton()->click() : box->buttons().first()->click();
        });
    };
    answerNextBox();
    EXPECT_EQ(prompter->message("Delete it?", "Delete Confirmation.", Buttons::YesNoDefaultNo,
                                Icon::Exclamation),
              Answer::No);
    EXPECT_EQ(seenParent, &window);
    EXPECT_EQ(defaultButton, "&No");
    answerNextBox();
    prompter->message("Short.", "Shear rate input out of range. Please try again.", Buttons::Ok,
                      Icon::None);
    // The title, which names the kind of error, is not cut by a box narrower than it.
    EXPECT_GE(boxWidth, QFontMetrics(QApplication::font())
                            .horizontalAdvance("Shear rate input out of range. Please try again."));

    QDialog dialog(&window);
    QTimer::singleShot(0, [&] {
        answerNextBox();
        prompter->message("From the dialog", "Title", Buttons::Ok, Icon::None);
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(seenParent, &dialog);
    prompter->detail("why it failed");
    EXPECT_EQ(detail, "why it failed");
}

// Kept on screen, a dialog still opens over its window, and one larger than the screen is
// fitted to it.
TEST(WindowPlacement, ShownDialogsOverTheirWindowAndWithinTheScreen)
{
    const WindowsKeptOnScreen kept;
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    QWidget window;
    window.resize(600, 400);
    centerOnScreen(window);
    window.show();
    for (const QSize size : {QSize(300, 200), QSize(area.width() + 200, area.height() + 200)}) {
        QDialog dialog(&window);
        dialog.resize(size);
        dialog.show();
        QApplication::processEvents();
        EXPECT_TRUE(area.contains(frameRect(dialog))) << size.width();
        if (size.width() < area.width()) {
            EXPECT_NEAR(dialog.geometry().center().x(), window.geometry().center().x(), 10);
        }
    }
}
