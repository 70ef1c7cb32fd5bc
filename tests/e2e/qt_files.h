#pragma once
// Whole files read and written as the end-to-end tests check them.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace quilmo::test {

// Empty when the file cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace quilmo::test
