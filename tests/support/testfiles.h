#pragma once
// Writing a test's files and reading back what the program wrote: a file's
// bytes and the files of a tree; and the link property list of the bundle.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QStringList>
#include <QXmlStreamWriter>

namespace testfiles {

// The bytes of path; empty when it does not open.
inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes bytes to path, making its folders first.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

// Every file below root, hidden ones included, relative to root, sorted.
inline QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Writes an XML property list whose root dictionary holds string entries.
inline bool writeStringPlist(const QString &path, const QMap<QString, QString> &entries)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("dict"));
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        xml.writeTextElement(QStringLiteral("key"), it.key());
        xml.writeTextElement(QStringLiteral("string"), it.value());
    }
    xml.writeEndDocument();
    return !xml.hasError();
}

} // namespace testfiles
