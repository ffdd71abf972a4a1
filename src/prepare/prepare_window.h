#pragma once
// The small panel shown before a capture in prepare mode.

#include <QWidget>

class PrepareWindow : public QWidget {
    Q_OBJECT
public:
    explicit PrepareWindow(QWidget* parent = nullptr);
    void showPrepare();
};
