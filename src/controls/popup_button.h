#pragma once
// NSMyPopUpButton: a QPushButton that opens a QMenu (the font sizes), a pull-down button. As in any
// pull-down, item 0 is the title item: the menu lists items 1 and up, the button shows its own
// title (setTitle), and selecting an item, by program or by the user, leaves that title alone.
// itemChosen(index) tells the owner which item the user picked. With custom drawing on, it draws
// itself as a dark rounded box with its title in white and a small chevron; otherwise it looks like
// the style's push button with a menu. All titles are plain text.

#include <QPushButton>
#include <QString>
#include <QStringList>

class QMenu;

class NSMyPopUpButton : public QPushButton {
    Q_OBJECT
public:
    explicit NSMyPopUpButton(QWidget* parent = nullptr);

    // Adds an item at the end; an item with exactly this title is removed first. Titles that
    // differ only in trailing blanks are different titles.
    void addItemWithTitle(const QString& title);
    QStringList itemTitles() const { return m_items; }
    // -1 deselects; an index out of range is ignored.
    void selectItemAtIndex(int index);
    int indexOfSelectedItem() const { return m_selected; }
    QString titleOfSelectedItem() const;
    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setNeedCustomDraw(bool needDraw);

    QMenu* itemMenu() const { return m_menu; }

signals:
    void itemChosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildMenu();

    QMenu* m_menu;
    QStringList m_items;
    int m_selected = -1;
    QString m_title;
    bool m_needDraw = false;
};
