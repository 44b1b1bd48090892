// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

#include "contacts/colour.h"

namespace lyr {

// A drop-down of colour swatches without names: the sixteen standard colours and four more,
// and the colour last set when it is none of these. Starts on silver.
class ColorBox : public QComboBox {
    Q_OBJECT

public:
    explicit ColorBox(QWidget* parent = nullptr);

    ColorRef Selected() const;
    // Selects `color`, adding it when the list lacks it; emits SelectedChanged when that
    // changes the selection.
    void SetSelected(ColorRef color);

signals:
    void SelectedChanged(ColorRef color);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void AddColor(ColorRef color);
};

}  // namespace lyr
