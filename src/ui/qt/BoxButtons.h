#pragma once

class QMessageBox;

// Names a box's standard buttons in the language of the tracker's own texts; Qt would
// name them in English, whatever the box says.
void NameBoxButtons(QMessageBox& box, bool english);
