#pragma once

// Reads a Qt Linguist source file (.ts): each message with its context and translation.

#include <QFile>
#include <QString>
#include <QXmlStreamReader>

#include <vector>

namespace tarvex::testing {

struct TsMessage {
    QString context;
    QString source;
    QString translation;
    QString type;  // "unfinished", "obsolete", "vanished", or empty when done
};

struct TsCatalogue {
    QString language;
    std::vector<TsMessage> messages;
    QString error;  // not empty: the file could not be read
};

inline TsCatalogue readTsCatalogue(const QString& path) {
    TsCatalogue catalogue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        catalogue.error = file.errorString();
        return catalogue;
    }
    QXmlStreamReader xml(&file);
    QString context;
    TsMessage message;
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::Invalid) {
        if (!xml.isStartElement()) {
            continue;
        }
        const auto name = xml.name();
        if (name == u"TS") {
            catalogue.language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (name == u"name") {
            context = xml.readElementText();
        } else if (name == u"message") {
            message = TsMessage{context, {}, {}, {}};
        } else if (name == u"source") {
            message.source = xml.readElementText();
        } else if (name == u"translation") {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            catalogue.messages.push_back(message);
        }
    }
    if (xml.hasError()) {
        catalogue.error = xml.errorString();
    }
    return catalogue;
}

// The shipped catalogues, as the build lists them.
inline QStringList shippedCatalogues() {
    return QStringLiteral(TARVEX_TS_FILES).split(u'|', Qt::SkipEmptyParts);
}

}  // namespace tarvex::testing
