// SPDX-License-Identifier: GPL-3.0-or-later
// A scan's result at the browse list's bound (4,096 computers in 16 workgroups) put into the
// user list and drawn, beside Qt's own list view drawing the same names in the same run. A
// frame is 16 ms: the user list is to draw the whole neighbourhood within one.
//
//   QT_QPA_PLATFORM=offscreen user_list_draw_bench
#include <QApplication>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QStringListModel>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "contacts/user_data.h"
#include "contacts/user_list.h"
#include "contacts/views.h"
#include "ui/main_window/user_list_widget.h"

namespace {

constexpr int kComputers = 4096;
constexpr int kWorkgroups = 16;
constexpr int kRounds = 15;
const QSize kListSize(180, 420);  // the main window's list at its usual size

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The entries a scan hands the list: the whole network, then each workgroup and its computers.
std::vector<lyr::TUserData> ScanResult() {
    std::vector<lyr::TUserData> entries{lyr::WholeNetworkEntry()};
    for (int group = 0; group < kWorkgroups; ++group) {
        std::string name = "WORKGROUP" + std::to_string(group);
        entries.push_back({name, name, 0, lyr::TUserData::kGroup, false});
        for (int computer = 0; computer < kComputers / kWorkgroups; ++computer) {
            entries.push_back({"PC-" + std::to_string(group) + "-" + std::to_string(computer), name,
                               0, lyr::TUserData::kComputer, false});
        }
    }
    return entries;
}

class ListView final : public lyr::UserListView {
public:
    explicit ListView(lyr::UserListWidget& widget) : widget_(widget) {}
    void UserListContentsChanged() override { widget_.Model().Reload(); }
    void RepaintUserList() override { widget_.viewport()->update(); }
    void SetUserListEnabled(bool enabled) override { widget_.setEnabled(enabled); }

private:
    lyr::UserListWidget& widget_;
};

class NoStatus final : public lyr::StatusLabel {
public:
    void SetInfoText(const std::string&) override {}
};

// One frame: the widget drawn whole into an image, as the screen would get it.
void Draw(QWidget& widget, QImage& frame) {
    QPainter painter(&frame);
    widget.render(&painter);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const auto entries = ScanResult();
    QImage frame(kListSize, QImage::Format_ARGB32_Premultiplied);

    lyr::UserListWidget widget;
    widget.resize(kListSize);
    ListView view(widget);
    NoStatus status;
    lyr::UserList list(view, status, "/nonexistent/users.dat");
    widget.SetList(&list);
    widget.show();

    QStringList names;
    for (const auto& entry : entries) {
        names << QString::fromStdString(entry.Name);
    }
    QListView plain;
    QStringListModel plain_model;
    plain.setModel(&plain_model);
    plain.setUniformItemSizes(true);  // rows of one height, as in the user list
    plain.resize(kListSize);
    plain.show();

    std::vector<double> ours, reference;
    for (int round = 0; round < kRounds; ++round) {
        list.Clear();
        auto start = Clock::now();
        list.Replace(entries);
        Draw(widget, frame);
        ours.push_back(Milliseconds(start));

        plain_model.setStringList({});
        start = Clock::now();
        plain_model.setStringList(names);
        Draw(plain, frame);
        reference.push_back(Milliseconds(start));
    }
    const double our_ms = Median(ours);
    const double reference_ms = Median(reference);
    std::printf("%zu entries, median of %d rounds\n", entries.size(), kRounds);
    std::printf("user list, replaced and drawn:    %7.2f ms%s\n", our_ms,
                our_ms <= 16 ? " (within a frame of 16 ms)" : " (MORE than a frame of 16 ms)");
    std::printf("Qt list view, same names drawn:  %7.2f ms\n", reference_ms);
    std::printf("ratio user list / Qt list view:  %7.2f\n", our_ms / reference_ms);
    return our_ms <= 16 ? 0 : 1;
}
