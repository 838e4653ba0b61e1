#pragma once

#include <QIcon>

// The picture of a backup set in lists: a scheduled set or an ordinary one.
QIcon SetIcon(bool scheduled);
