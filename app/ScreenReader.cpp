#include "ScreenReader.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace {

QAccessibleInterface *windowAsDialog(const QString &className, QObject *object) {
    if (className != QLatin1String("frmMain") || !object->isWidgetType())
        return nullptr;
    auto *window = static_cast<QWidget *>(object);
    if (!window->isWindow())
        return nullptr;
    // Qt's accessibility cache takes ownership of what a factory returns.
    return new QAccessibleWidget(window, QAccessible::Dialog);
}

} // namespace

void installScreenReaderRoles() {
    QAccessible::installFactory(windowAsDialog);
}

void describeSelection(QComboBox &list, const QString &details) {
    const int row = list.currentIndex();
    if (row < 0)
        return;
    // Read with the list when it gets the focus; each item tells its own (ServerListModel).
    list.setAccessibleDescription(details);

    if (!list.hasFocus())
        return;
    // Orca drops a combo box's name change as redundant and waits for a selection it can follow,
    // which Qt's combo box does not offer. Moving the screen reader's focus to the selected item of
    // the closed popup is what a GTK combo box does; Orca then speaks the item with its
    // description. The keyboard focus stays on the list.
    QAccessibleInterface *items = QAccessible::queryAccessibleInterface(list.view());
    QAccessibleTableInterface *table = items ? items->tableInterface() : nullptr;
    if (QAccessibleInterface *item = table ? table->cellAt(row, 0) : nullptr) {
        QAccessibleEvent event(item, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}
