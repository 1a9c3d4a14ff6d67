// The Controls dialog on Qt: a grid of the controls model's rows, each with
// a button per cell, its status line and Defaults, OK and Cancel. Everything
// it shows and does comes from the model (quorl/host.h); while a cell waits,
// every key pressed in the dialog goes to the model and nowhere else.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "host/qt/keymap.h"
#include "host/qt/window.h"
#include "quorl/host.h"

namespace {

// Takes the dialog's key presses away from its buttons while a cell waits,
// and the repeats of the key just taken until it is released (a held key
// just bound must not go on to press OK; Qt does not mark every repeat).
struct KeyCapture : QObject {
    QDialog* dialog = nullptr;
    int heldKey = 0;  // the Qt key taken last, while it is down
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace

constexpr int PAD_POLL_MS = 30;

static QPushButton* cells[CONTROL_ROW_COUNT][2];
static QLabel* statusLine;

static void refreshControls();

void showControlsDialog()
{
    QDialog dialog(hostWindow.top);
    dialog.setWindowTitle(QStringLiteral("Controls"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("<b>Control</b>")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("<b>Keys</b>")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("<b>Game pad</b>")), 0, 2);
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        grid->addWidget(new QLabel(QString::fromUtf8(controlRowLabel(row))), row + 1, 0);
        for (int32_t column : {CONTROL_KEYS, CONTROL_PAD}) {
            auto* cell = new QPushButton;
            cell->setAutoDefault(false);  // Enter is OK's, not the focused cell's
            cell->setMinimumWidth(column == CONTROL_KEYS ? 160 : 110);
            QObject::connect(cell, &QPushButton::clicked, cell, [row, column] {
                controlsClick(row, column);
                refreshControls();
            });
            grid->addWidget(cell, row + 1, column + 1);
            cells[row][column] = cell;
        }
    }
    layout->addLayout(grid);
    statusLine = new QLabel;
    statusLine->setWordWrap(true);
    layout->addWidget(statusLine);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::RestoreDefaults | QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::RestoreDefaults)->setText(QStringLiteral("Defaults"));
    QObject::connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, &dialog, [] {
        controlsDefaults();
        refreshControls();
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    controlsBegin();
    refreshControls();
    cells[0][CONTROL_KEYS]->setFocus();
    // Pad buttons come from the game thread's reading of the pads.
    QTimer padPoll;
    QObject::connect(&padPoll, &QTimer::timeout, &dialog, [] {
        if (controlsPadPoll() != 0) {
            refreshControls();
        }
    });
    padPoll.start(PAD_POLL_MS);
    KeyCapture capture;
    capture.dialog = &dialog;
    qApp->installEventFilter(&capture);
    // A bare X server has no window manager to hand out the focus.
    dialog.show();
    dialog.activateWindow();
    bool accepted = dialog.exec() == QDialog::Accepted;
    qApp->removeEventFilter(&capture);
    hostWindow.top->activateWindow();
    statusLine = nullptr;
    if (accepted) {
        controlsAccept();
    } else {
        controlsCancel();
    }
}

bool KeyCapture::eventFilter(QObject* watched, QEvent* event)
{
    QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride && type != QEvent::KeyRelease) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != dialog) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyRelease) {
        heldKey = !key->isAutoRepeat() && key->key() == heldKey ? 0 : heldKey;
        return false;
    }
    if (key->isAutoRepeat() || (heldKey != 0 && key->key() == heldKey)) {
        return true;
    }
    if (controlsWaiting() == 0) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();  // no shortcut takes the key: it comes as a key press
        return true;
    }
    heldKey = key->key();
    controlsKey(virtualKeyFromQt(key->key(), key->modifiers(), key->nativeVirtualKey()));
    refreshControls();
    return true;
}

static void refreshControls()
{
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        for (int32_t column : {CONTROL_KEYS, CONTROL_PAD}) {
            cells[row][column]->setText(QString::fromUtf8(controlsCellText(row, column)));
        }
    }
    if (statusLine) {
        statusLine->setText(QString::fromUtf8(controlsStatus()));
    }
}
