#include "app/map_symbols.h"

#include <QFile>

namespace quilmo {

const SymbolSet& installedSymbols() {
    static const SymbolSet set = [] {
        QFile file(QString::fromLatin1(kSymbolFilePath));
        if (!file.open(QIODevice::ReadOnly)) return SymbolSet{};
        // The file is about 100 kB; a larger one is not the symbol file.
        if (file.size() > 4 * 1024 * 1024) return SymbolSet{};
        const QByteArray bytes = file.readAll();
        return SymbolSet::parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }();
    return set;
}

namespace {

void paintPicture(QImage& image, const SymbolPicture& picture, bool mirrored) {
    for (int y = 0; y < kSymbolSide; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kSymbolSide; ++x) {
            const std::uint8_t index = picture.at(mirrored ? kSymbolSide - 1 - x : x, y);
            if (index != 0 && qAlpha(kSymbolPalette[index]) != 0) line[x] = kSymbolPalette[index];
        }
    }
}

}  // namespace

QImage symbolImage(const SymbolSet& set, SymbolChoice choice, bool mirrored) {
    const SymbolPicture* picture = choice.table != 0 ? set.find(choice.table, choice.code) : nullptr;
    if (picture == nullptr) return {};
    QImage image(kSymbolSide, kSymbolSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    paintPicture(image, *picture, mirrored && picture->facesLeft);
    // The overlay character stands upright whichever way the vehicle heads.
    if (choice.overlay != 0) {
        if (const SymbolPicture* overlay = set.find('#', choice.overlay)) paintPicture(image, *overlay, false);
    }
    return image;
}

void SymbolImages::setSet(const SymbolSet* set) {
    set_ = set;
    cache_.clear();
}

const QImage* SymbolImages::image(char table, char code, bool mirrored, qreal ratio) {
    if (!available()) return nullptr;
    if (ratio != ratio_) {
        cache_.clear();
        ratio_ = ratio;
    }
    const SymbolChoice choice = chooseSymbol(table, code);
    if (choice.table == 0) return nullptr;
    const quint32 key = static_cast<quint32>(static_cast<unsigned char>(choice.table)) << 24 |
                        static_cast<quint32>(static_cast<unsigned char>(choice.code)) << 16 |
                        static_cast<quint32>(static_cast<unsigned char>(choice.overlay)) << 8 | (mirrored ? 1u : 0u);
    auto it = cache_.find(key);
    if (it == cache_.end()) {
        QImage image = symbolImage(*set_, choice, mirrored);
        // Whole pixels of the picture on a high-density screen: crisp, as drawn.
        if (!image.isNull() && ratio != 1) {
            const int side = qRound(kSymbolSide * ratio);
            image = image.scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            image.setDevicePixelRatio(ratio);
        }
        it = cache_.insert(key, image);
    }
    return it->isNull() ? nullptr : &*it;
}

}  // namespace quilmo
