// The headers of the window tests, compiled once for all of them: those of every test, the
// widgets the windows are made of and QTest.
#pragma once

#include "support/pch.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QWidget>
