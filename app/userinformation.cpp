#include "app/userinformation.h"

namespace zarudiv {

QStringList userInformationLines()
{
    // Blanks are part of the lines: they indent the list in the drop-down.
    static const char* const lines[] = {
        "So führen ein Optimierungs-",
        "Experiment durch: ",
        "",
        "1. wählen Sie mit \"GRA\"",
        "   >> graphische Ausgabe >",
        "    ein neues Diagramm",
        "",
        "2. Funktionen-Typ wählen",
        "   >> Qualitätsfunktion >",
        "",
        "3. Anzahl der \"Generationen\"",
        "",
        "4. Anzahl der \"Mutanten\"",
        "",
        "5. Schrittweite der Variation",
        "    in [ppm]",
        "",
        "6. Dimension des Problems",
        "    >> Anzahl der Variablen >",
        "",
        "",
        "STARTEN einer Kampagne:",
        "",
        "Sie haben zwei Optionen:",
        "",
        "   1.    EVOLUTIONS-",
        "          Strategie  ",
        "     hier: ( 1+ L) Strategie",
        "",
        "   2.    Phylogenetischer",
        "          Algorithmus",
        "",
        "",
        "Hinweis:",
        "Beginnen Sie mit",
        " kleinen Kampagnen.",
        " ",
        "  DIM < 10 ",
        "  GENERATION < 200",
        "  MUTANTEN < 10",
        "  Schrittweite ca. 5000ppm",
        "",
        "Viel Spass ...",
    };
    QStringList list;
    for (const char* line : lines)
        list << QString::fromUtf8(line);
    return list;
}

}  // namespace zarudiv
