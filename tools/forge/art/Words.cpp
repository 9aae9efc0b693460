// The credits and the greetings: text laid over moving scenes, where black
// is see-through, so every letter carries a dark (but not black) outline.
#include "Lettering.h"
#include "Painters.h"
#include "PictureFile.h"
#include "ShowColours.h"

namespace {

const Rgb outlineColour = hex(0x06101e);

Canvas credits() {
    Canvas picture(320, 140);
    Font heading(fonts::sansBold, 11);
    Font role(fonts::sansCondensedBold, 17);
    Font name(fonts::sansBold, 11);
    TextLine title = heading.render("CREDITS", 6);
    outlinedText(picture, title, centred(title, 160), 22, colours::paleCyan, outlineColour, 2);
    picture.fill(
        {40, 26, 280, 32},
        [](Vec2 p) {
            return sdSegment(p, {60, 29}, {260, 29}, 1);
        },
        colours::blue);

    const char* roles[4] = {"CODE", "GRAPHICS", "MUSIC", "DESIGN"};
    for (int i = 0; i < 4; ++i) {
        int column = i % 2, row = i / 2;
        int centre = column == 0 ? 84 : 236;
        int baseline = 62 + row * 48;
        TextLine roleLine = role.render(roles[i], 2);
        // The warm accent marks the roles; the names stay in the show's cold light.
        outlinedText(picture, roleLine, centred(roleLine, centre), baseline, colours::sparkOrange, outlineColour, 2);
        TextLine nameLine = name.render("the Peekstun team");
        outlinedText(picture, nameLine, centred(nameLine, centre), baseline + 17, colours::paleCyan, outlineColour, 2);
    }
    return picture;
}

Canvas greetings() {
    Canvas picture(320, 240);
    Font big(fonts::sansBold, 30);
    Font small(fonts::sansBold, 13);
    TextLine title = big.render("GREETINGS", 2);
    outlinedText(picture, title, centred(title, 160), 48, colours::white, outlineColour, 3);
    const char* names[] = {"to all demo sceners",
                           "tracker musicians",
                           "pixel artists",
                           "coders of tiny intros",
                           "party organisers and their crews",
                           "everyone who still watches",
                           "to the very end"};
    int baseline = 86;
    for (const char* line : names) {
        TextLine text = small.render(line);
        outlinedText(picture, text, centred(text, 160), baseline, colours::white, outlineColour, 2);
        baseline += 21;
    }
    return picture;
}

}  // namespace

void paintWords(const std::string& dataDir) {
    savePicture(dataDir, "gfx/credits.tga", credits(), tga8(true, 64, 0, "Peekstun credits"));
    savePicture(dataDir, "gfx/greets.pcx", greetings(), pcx8(32));
}
