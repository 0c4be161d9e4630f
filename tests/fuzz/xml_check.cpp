// tally_xml_check <file>: tells whether a results file is well-formed XML,
// for the shell tests. Unlike xmllint it has no nesting limit (libxml2 stops
// at a depth of a few thousand), so it can check the report of a tree nested
// a million scopes deep. Namespace processing is off: XROD:NODE carries a
// prefix the document never declares.
//
// Prints "elements=<count> depth=<deepest nesting> root=<name>" and exits 0
// when the file is well-formed; prints the parser's error and exits 1
// otherwise.
#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: tally_xml_check <file>\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        fprintf(stderr, "%s: cannot open\n", argv[1]);
        return 1;
    }
    QXmlStreamReader reader(&file);
    reader.setNamespaceProcessing(false);
    long long elements = 0, depth = 0, deepest = 0;
    QString root;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            root = elements++ == 0 ? reader.qualifiedName().toString() : root;
            deepest = std::max(deepest, ++depth);
        }
        depth -= token == QXmlStreamReader::EndElement;
    }
    if (reader.hasError() || elements == 0) {
        fprintf(stderr, "%s:%lld:%lld: %s\n", argv[1], static_cast<long long>(reader.lineNumber()),
                static_cast<long long>(reader.columnNumber()),
                elements == 0 ? "no element" : reader.errorString().toLocal8Bit().constData());
        return 1;
    }
    printf("elements=%lld depth=%lld root=%s\n", elements, deepest, root.toLocal8Bit().constData());
    return 0;
}
