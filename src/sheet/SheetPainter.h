#pragma once

#include <QImage>
#include <QPainter>
#include <array>
#include <functional>

#include "sheet/DeviceMapping.h"
#include "sheet/SheetDefinition.h"

namespace qlx {

// What one page of the sheet shows: the definition (with its date line) and the pictures
// of the fifteen slots; a null image is an empty slot. QImage copies share pixels until one
// side changes, so each slot holds its own picture. When `pictureOf` is set, it gives slot
// n's picture (1 to 15) instead, at the moment the slot is drawn: a page then never holds
// more than one label's pixels at a time.
struct SheetContent {
    const SheetDefinition* sheet = nullptr;
    std::array<QImage, SheetDefinition::kSlotCount> pictures;
    std::function<QImage(int slot)> pictureOf;
};

// Draws page 1 of the sheet on any painter (page picture recorder, printer, image), with
// positions mapped by the given mapping: band backgrounds white, the title box outlined with
// a black pen 1 device unit wide and filled white, each text element's box filled white and
// its lines drawn from its top-left one line height apart, and every slot's picture
// stretched to its rectangle without keeping proportions.
void drawSheet(QPainter& painter, const DeviceMapping& mapping, const SheetContent& content);

} // namespace qlx
