// Small helpers the window's builders share: every control gets its object
// name (the name the commands and tests know it by) and a spoken name.
#pragma once
#include <QLineEdit>
#include <QString>

namespace strandex {

template <typename W>
W* named(W* widget, const char* name, const QString& accessible) {
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
    return widget;
}

inline QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& accessible) {
    return named(new QLineEdit(parent), name, accessible);
}

}  // namespace strandex
