// The command bodies of the command module, one per entry of the command table.
// Each runs on the host's command thread and takes its input from the command line.
#pragma once

void createOrigin();           // EORI: a coordinate system from prompts
void placePointLabel();        // ECOP: one point coordinate label
void placeLineLabel();         // ECOL: one line coordinate label
void retargetPointLabels();    // COPORI: point labels referred to another coordinate system
void retargetLineLabels();     // COLORI: line labels referred to another coordinate system
void rescalePointLabels();     // COPSCA: a new appearance scale for point labels
void rescaleLineLabels();      // COLSCA: a new appearance scale for line labels
void setPointLabelDecimals();  // COPDEC: a new number of decimals for point labels
void setLineLabelDecimals();   // COLDEC: a new number of decimals for line labels
void explodeAll();             // XALL: every coordinate system and label into ordinary entities
void listEntities();           // COLIST: the properties of selected entities
void printHelp();              // COHELP: the usage text
