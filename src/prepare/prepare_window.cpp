#include "prepare/prepare_window.h"

PrepareWindow::PrepareWindow(QWidget* parent) : QWidget(parent) {}

void PrepareWindow::showPrepare() {}
