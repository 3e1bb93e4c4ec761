#include "window/accessibility.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSlider>

namespace qm {

namespace {

constexpr char kValueText[] = "qmAccessibleValue";

/// A caption as read aloud: "&&" is an ampersand, a single "&" only marks the access key.
QString withoutAccessKey(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    return out;
}

QList<QAction*> shownEntries(const QMenu* menu) {
    QList<QAction*> shown;
    for (QAction* a : menu->actions())
        if (a->isVisible())
            shown << a;
    return shown;
}

/// One entry of a menu, for the menus below.
class MenuEntryAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MenuEntryAccessible(QMenu* menu, QAction* action) : m_menu(menu), m_action(action) {}

    bool isValid() const override { return m_menu && m_action; }
    QObject* object() const override { return m_action; }
    QWindow* window() const override { return m_menu ? m_menu->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_menu);
    }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && m_action->menu()
                   ? QAccessible::queryAccessibleInterface(m_action->menu())
                   : nullptr;
    }
    int childCount() const override { return m_action->menu() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && m_action->menu() && child->object() == m_action->menu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return withoutAccessKey(m_action->text());
        if (t == QAccessible::Accelerator)
            return m_action->shortcut().toString(QKeySequence::NativeText);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect r = m_menu->actionGeometry(m_action);
        return QRect(m_menu->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        return m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.disabled = !m_action->isEnabled();
        s.focusable = m_action->isEnabled() && !m_action->isSeparator();
        s.focused = m_menu->activeAction() == m_action.data();
        s.hasPopup = m_action->menu() != nullptr;
        s.invisible = !m_menu->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override {
        return m_action->isSeparator() ? QStringList() : QStringList{pressAction()};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && m_action->isEnabled())
            m_action->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QMenu> m_menu;
    QPointer<QAction> m_action;
};

/// A menu whose hidden entries (empty recent-file and bookmark places, the help entries
/// that are switched off) are not offered to a screen reader.
class MenuAccessible : public QAccessibleWidget {
public:
    explicit MenuAccessible(QMenu* menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}

    int childCount() const override { return static_cast<int>(shownEntries(menu()).size()); }
    QAccessibleInterface* child(int index) const override {
        return QAccessible::queryAccessibleInterface(shownEntries(menu()).value(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(
                           shownEntries(menu()).indexOf(qobject_cast<QAction*>(child->object())))
                     : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        QAction* a = menu()->actionAt(menu()->mapFromGlobal(QPoint(x, y)));
        return a && a->isVisible() ? QAccessible::queryAccessibleInterface(a) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        const QString own = QAccessibleWidget::text(t);
        return t == QAccessible::Name && own.isEmpty() ? withoutAccessKey(menu()->title()) : own;
    }
    QAccessibleInterface* parent() const override {
        // The menu bar's entry that opens this menu.
        for (QObject* o : menu()->menuAction()->associatedObjects()) {
            QAccessibleInterface* bar =
                qobject_cast<QMenuBar*>(o) ? QAccessible::queryAccessibleInterface(o) : nullptr;
            for (int i = 0; bar && i < bar->childCount(); ++i)
                if (bar->child(i)->object() == menu()->menuAction())
                    return bar->child(i);
        }
        return QAccessibleWidget::parent();
    }

private:
    QMenu* menu() const { return static_cast<QMenu*>(widget()); }
};

/// A slider whose value is read in the dialog's words.
class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(QSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? widget()->property(kValueText).toString()
                                       : QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant& value) override { slider()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return slider()->singleStep(); }

private:
    QSlider* slider() const { return static_cast<QSlider*>(widget()); }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QMenu"))
        return new MenuAccessible(static_cast<QMenu*>(object));
    if (className == QLatin1String("QSlider") && object->property(kValueText).isValid())
        return new SliderAccessible(static_cast<QSlider*>(object));
    if (className == QLatin1String("QAction")) {
        auto* action = static_cast<QAction*>(object);
        for (QObject* o : action->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(o))
                return new MenuEntryAccessible(menu, action);
    }
    return nullptr;
}

} // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void nameSlider(QSlider* slider, const QString& name) {
    installAccessibility();
    slider->setProperty(kValueText, QString::number(slider->value()));
    // Setting its range may already have made Qt's own interface for it; ours replaces it.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(slider);
    if (made && !dynamic_cast<SliderAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    slider->setAccessibleName(name);
}

void setAccessibleValueText(QSlider* slider, const QString& text) {
    slider->setProperty(kValueText, text);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(slider, slider->value());
        QAccessible::updateAccessibility(&changed);
    }
}

} // namespace qm
