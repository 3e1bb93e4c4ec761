#include "edit/name_dialog.h"

#include <algorithm>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "window/fixed_dialog.h"

namespace qm {

namespace {

constexpr int kMaxTyped = 19; // keeps every typed name shorter than the 20-character field

bool isLowerAscii(QChar c) {
    return c >= u'a' && c <= u'z';
}

/// Only a to z are raised; accented letters keep their case, as they are typed.
QString raiseAscii(QString text) {
    for (QChar& c : text) {
        if (isLowerAscii(c))
            c = QChar(c.unicode() - 32);
    }
    return text;
}

bool hasLowerAscii(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), isLowerAscii);
}

} // namespace

NameDialog::NameDialog(Prompter& prompter, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), m_prompter(prompter) {
    setObjectName(QStringLiteral("dlgGetString"));
    setWindowTitle(QStringLiteral("QuillMar Query"));
    setModal(true);

    m_lab = new QLabel(QStringLiteral("Name for new QuillMar Cell:"), this);
    m_lab->setObjectName(QStringLiteral("Lab"));
    m_lab->setTextFormat(Qt::PlainText); // the prompt carries item names, never markup
    m_lab->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_lab->setWordWrap(true); // a long item name must not cut the prompt

    m_txt = new QLineEdit(this);
    m_txt->setObjectName(QStringLiteral("Txt"));
    m_txt->setMaxLength(kMaxTyped);
    m_txt->setToolTip(QStringLiteral("Enter name (max 19 characters)"));
    m_txt->setTextMargins(2, 0, 2, 0); // the low box leaves the text against its frame
    m_txt->installEventFilter(this);
    m_lab->setBuddy(m_txt); // screen readers name the box by the prompt

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OKButton"));

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));

    // Enter and Escape belong to the text box, so no button may take them.
    for (QPushButton* b : {m_ok, m_cancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    setTabOrder(m_txt, m_ok);
    setTabOrder(m_ok, m_cancel);

    connect(m_ok, &QPushButton::clicked, this, &NameDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &NameDialog::reject);

    m_layout.zoomNaturalFont(this);
    placeOnScreen();
    arrangeFor(m_lab->text());
}

void NameDialog::setScale(const twips::Scale& scale) {
    if (scale == m_layout.scale())
        return;
    m_layout.setScale(scale);
    placeOnScreen();
    arrangeFor(m_lab->text());
}

void NameDialog::placeOnScreen() {
    // A fixed place on the screen rather than centred over the owner.
    const QPoint origin = screen() ? screen()->geometry().topLeft() : QPoint();
    move(origin + m_layout.scale().point(2760, 3750));
}

void NameDialog::arrangeFor(const QString& prompt) {
    // The designed layout, grown where the prompt needs more room: wider for a word longer
    // than the label (a large font), taller for the lines it wraps into.
    const twips::Scale& s = m_layout.scale();
    const QFontMetrics fm(m_lab->font());
    int width = s.toPixels(3135);
    for (const QString& word : prompt.split(u' ', Qt::SkipEmptyParts))
        width = std::max(width, fm.horizontalAdvance(word) + 2 * m_lab->margin() + 2);
    // Never narrower than the title, which the window manager would cut.
    width = std::max(width, titleRoom(windowTitle()) - s.toPixels(3615) + s.toPixels(3135));
    m_lab->setText(prompt);
    const int height = std::max(s.toPixels(255), m_lab->heightForWidth(width));
    const int dx = width - s.toPixels(3135);
    const int dy = height - s.toPixels(255);
    m_lab->setGeometry(s.toPixels(240), s.toPixels(120), width, height);
    m_txt->setGeometry(s.rect(240, 480, 3135, 285).adjusted(0, dy, dx, dy));
    m_ok->setGeometry(s.rect(240, 960, 1455, 375).translated(0, dy));
    m_cancel->setGeometry(s.rect(1920, 960, 1455, 375).translated(dx, dy));
    setFixedSize(s.size(3615, 1545) + QSize(dx, dy));
}

QString NameDialog::ask(const NameRequest& request) {
    setWindowTitle(request.title);
    arrangeFor(request.prompt);
    // A stored name may be a character longer than can be typed; it must not be cut short.
    m_txt->setMaxLength(std::max<int>(kMaxTyped, request.text.size()));
    m_txt->setText(request.text);
    if (request.selectAll)
        m_txt->selectAll();
    exec();
    return m_txt->text();
}

void NameDialog::confirm() {
    if (m_txt->text().isEmpty()) {
        m_prompter.alert(QStringLiteral("You MUST state a name !\r\n       (or click 'Cancel')"));
        return;
    }
    accept();
}

void NameDialog::reject() {
    m_txt->clear();
    QDialog::reject();
}

bool NameDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_txt)
        return QDialog::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            confirm();
            return true;
        case Qt::Key_Escape:
            reject();
            return true;
        default:
            break;
        }
        if (key->text().size() == 1 && isLowerAscii(key->text().front())) {
            QKeyEvent raised(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                             key->nativeVirtualKey(), key->nativeModifiers(),
                             raiseAscii(key->text()), key->isAutoRepeat(), key->count(),
                             key->device());
            QCoreApplication::sendEvent(m_txt, &raised);
            event->setAccepted(raised.isAccepted());
            return true;
        }
    } else if (event->type() == QEvent::InputMethod) {
        // Letters composed through an input method are typed too.
        auto* im = static_cast<QInputMethodEvent*>(event);
        if (hasLowerAscii(im->commitString())) {
            QInputMethodEvent raised(im->preeditString(), im->attributes());
            raised.setCommitString(raiseAscii(im->commitString()), im->replacementStart(),
                                   im->replacementLength());
            QCoreApplication::sendEvent(m_txt, &raised);
            event->setAccepted(raised.isAccepted());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void NameDialog::keyPressEvent(QKeyEvent* event) {
    // With a button focused, Enter presses that button; Escape would otherwise reach
    // QDialog's cancel handling, and this dialog has no cancel button.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void NameDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_txt->setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace qm
