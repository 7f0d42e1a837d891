#pragma once

// The data-log panel's widgets with the values they have when the window is
// created, with the plan controller on them as the window loads it.

#include "datalog/ui/log_plan_controller.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

#include <memory>

namespace datalog_test {

struct PlanPanel {
    QWidget root;
    vemtra::datalog::LogPlanView view;
    std::unique_ptr<vemtra::datalog::LogPlanController> plan;

    PlanPanel()
    {
        view.Option_64k = new QRadioButton(QStringLiteral("24C64"), &root);
        view.Option_128k = new QRadioButton(QStringLiteral("24C128"), &root);
        view.Option_256k = new QRadioButton(QStringLiteral("24C256"), &root);
        view.Option_64k->setChecked(true);
        for (int i = 0; i < 4; ++i) {
            view.Check2[i] = new QCheckBox(&root);
            view.Check3[i] = new QCheckBox(&root);
        }
        view.Check2[0]->setChecked(true);
        view.Text3[0] = new QLineEdit(QStringLiteral("16"), &root);
        view.Text3[1] = new QLineEdit(QStringLiteral("8176"), &root);
        view.Text5 = new QLineEdit(QStringLiteral("1"), &root);
        view.Label12 = new QLabel(&root);
        plan = std::make_unique<vemtra::datalog::LogPlanController>(view);
        plan->applySelectedType();
    }
};

} // namespace datalog_test
