#pragma once

#include "cat.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace petgen {

// One row of the atlas: an animation drawn frame by frame.
struct Row {
    QString name; // the row's default name in the program
    QStringList states; // manifest states that play this row
    double fps;
    bool loop;
    bool mirror; // drawn facing right, flipped to face left
    std::vector<Pose> frames;
};

// The rows of the built-in pet, top to bottom.
std::vector<Row> tamselRows();

}
