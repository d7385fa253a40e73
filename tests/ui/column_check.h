#pragma once

class QTableView;

// Every heading and every cell of the view fits its column whole in the fonts
// the view draws with, and no text is elided.
void expect_view_texts_fit_their_columns(QTableView* view);
