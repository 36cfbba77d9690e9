#pragma once
#include "pch_core.h"
#include <QPainter>
#include <QWidget>
