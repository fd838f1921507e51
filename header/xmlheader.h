#pragma once

#include "cmpheader.h"
#include "outcome.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The <header> element of an XML datafile DAT: reading its values and rewriting them in place.
// Only the header's bytes change; everything before and after it, encoding and line ends
// included, is copied through unchanged, and the DAT is streamed rather than held whole.
namespace quillon {

// How the header values are written into the file, as its XML declaration says.
enum class XmlTextEncoding { Utf8, Latin1, Ascii };

// One child element of <header>. Offsets are bytes from the start of the file.
struct XmlHeaderChild {
    QByteArray name;
    qint64 start = 0;         // the "<" of its start tag
    qint64 contentStart = 0;  // just after its start tag
    qint64 contentEnd = 0;    // the "<" of its end tag; contentStart for an empty-element tag
    qint64 end = 0;           // just after its end
    bool selfClosing = false;
    QString text;             // its text, unescaped
};

// Where the header of an XML DAT lies, as far as the file was read to find it.
struct XmlHeaderLayout {
    QByteArray root;  // the root element's name; empty when the file is not XML
    XmlTextEncoding encoding = XmlTextEncoding::Utf8;
    QByteArray lineEnd = "\n";  // the file's first line end, for elements that are added
    bool hasHeader = false;
    qint64 headerStart = 0;  // the "<" of <header>
    qint64 headerEnd = 0;    // just after </header> (or after <header/>)
    qint64 contentStart = 0; // just after the header's start tag
    bool headerSelfClosing = false;
    QList<XmlHeaderChild> children;

    bool isDatafile() const { return root == "datafile"; }
};

// True when the file's content is XML rather than the ClrMamePro text format, whatever its name.
bool LooksLikeXml(const QString& path);

// Reads the file up to the end of its <header> element (or up to where it is clear that there is
// none). Fails when the file cannot be read, is not well-formed that far, or uses an encoding
// the header cannot be written back in, saying why.
Result<XmlHeaderLayout> ScanXmlHeader(const QString& path);

// The six values as the header holds them; values it lacks are empty.
DatHeader XmlHeaderValues(const XmlHeaderLayout& layout);

// The header's new bytes. `oldBytes` are the file's bytes from layout.headerStart to
// layout.headerEnd. A value equal to the old one leaves its element as it was; a changed value
// replaces the element's content, escaped as XML requires; an element the header lacks is added
// only for a value that is not empty.
QByteArray RebuildXmlHeader(const QByteArray& oldBytes, const XmlHeaderLayout& layout, const DatHeader& edited);

// `text` as element content in the given encoding: markup characters escaped, characters the
// encoding lacks written as character references, characters XML cannot hold left out.
QByteArray EscapeXmlText(const QString& text, XmlTextEncoding encoding);

// Rewrites the header of the DAT at `path` with the edited values, where the header lies now. The
// file is replaced only once its new content is completely written and flushed; on failure, when
// its header no longer holds the values `shown` to the user, or when nothing changed, it stays as
// it was, as it does when `control` stops the rewrite.
Outcome RewriteXmlHeader(const QString& path, const XmlHeaderLayout& shown, const DatHeader& edited,
                         const WorkControl& control = {});

}  // namespace quillon
