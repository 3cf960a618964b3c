// Host records: one text per installed host product, nine fields joined by ";" (name,
// language, release key, product key, host folder, product id, locale id, language
// abbreviation, network support).
#pragma once

#include <string>
#include <vector>

// Appends a record for every complete host product under the release filter (all
// releases when empty) whose key passes the product number filter; returns the list's size.
std::size_t CollectHostRecords(const std::string& releaseFilter, const std::string& productFilter,
                               std::vector<std::string>& records);

// Splits a record at every ";": piece N is always field N, empty fields included.
std::vector<std::string> SplitHostRecord(const std::string& record);
// Piece `number` (counted from 1) of a split record; a piece past the end reads as empty.
std::string RecordPiece(const std::vector<std::string>& pieces, std::size_t number);
