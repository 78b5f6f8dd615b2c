#include "convert/bundleskeleton.h"

#include "platform/safefiles.h"

#include <QFile>

namespace bundleskeleton {

namespace {

const char kPlistHead[] =
    "<?xml version=\"1.1\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.1//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.1.dtd\">\n"
    "<plist version=\"1.1\">\n"
    "<dict>\n";

const char kPlistTail[] =
    "</dict>\n"
    "</plist>\n";

// Leaves an existing file with exactly these bytes alone; otherwise replaces
// whatever stands at path (a link is replaced, never followed) in one piece.
bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly)) {
        const bool same = existing.size() == bytes.size() && existing.readAll() == bytes;
        existing.close();
        if (same)
            return true;
    }
    return platform::replaceFileContents(path, bytes, false);
}

} // namespace

QByteArray pkgInfoBytes()
{
    return QByteArrayLiteral("rge OPIM");
}

QByteArray infoPlistBytes()
{
    return QByteArray(kPlistHead)
        + "\t<key>CFBundleDevelopmentRegion</key>\n"
          "\t<string>English</string>\n"
          "\t<key>CFBundleInfoDictionaryVersion</key>\n"
          "\t<string>6.0</string>\n"
          "\t<key>CFBundlePackageType</key>\n"
          "\t<string>rge </string>\n"
          "\t<key>CFBundleSignature</key>\n"
          "\t<string>OPIM</string>\n"
        + kPlistTail;
}

QByteArray archiveXmlBytes()
{
    return QByteArray(kPlistHead)
        + "\t<key>Type</key>\n"
          "\t<string>All</string>\n"
          "\t<key>Version</key>\n"
          "\t<integer>1</integer>\n"
        + kPlistTail;
}

bool writeIdentitySkeleton(const QString &bundlePath)
{
    const QString base = bundlePath + QLatin1Char('/');
    bool whole = writeWhole(base + QLatin1String("Contents/PkgInfo"), pkgInfoBytes());
    whole = writeWhole(base + QLatin1String("Contents/Info.plist"), infoPlistBytes()) && whole;
    whole = writeWhole(base + QLatin1String("Archive.xml"), archiveXmlBytes()) && whole;
    return whole;
}

} // namespace bundleskeleton
