#include "ScreenReader.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

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

void describeSelection(QComboBox &list, const QLabel &tileset, const QPlainTextEdit &description) {
    const int row = list.currentIndex();
    if (row < 0)
        return;
    QString details = tileset.text();
    if (const QString text = description.toPlainText(); !text.trimmed().isEmpty())
        details += QStringLiteral(". ") + text;
    // Read with the list when it gets the focus, and with the item when the selection moves.
    list.setAccessibleDescription(details);
    list.setItemData(row, details, Qt::AccessibleDescriptionRole);

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
