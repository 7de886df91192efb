// The picture of a check of the player's tickets, read at a glance: per ticket its numbers with
// those of the latest draw marked, its draws by matches in small bars against chance, and under
// them in words its best draw, its last win and, for a system ticket, its combinations by matches.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "tickets/ticket_check.h"

// The lines in words under a ticket's bars: the best draw; the last draw with at least the
// game's least winning count (or that the game names none); for a system ticket, how many of its
// combinations matched each count in the latest draw and over the draws checked.
std::vector<std::string> TicketCheckNotes(const TicketCheck& check);

// The check painted: a heading line, then per ticket its name, its numbers (those in the latest
// draw on red), small bars of its draws by matches, observed against the count chance expects,
// and its notes.
QImage PaintTicketChecks(const std::vector<TicketCheck>& checks);
