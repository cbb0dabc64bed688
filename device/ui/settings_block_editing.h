#pragma once
// The read - edit - write road of a settings block, shared by the settings editors.

#include "device/device_session.h"
#include "framework/afx_types.h"
#include "link/protocol.h"

#include <vector>

// Reads the block, lets the user edit it in an editor dialog over the session's window and,
// on "Zapisz", writes the edited record back whole. The editor has a public record m_record
// of the block's size, filled before it runs and read after it closed. Nothing is written
// when the read did not complete or the user left with "Nie zapisuj".
template <class Editor>
void EditSettingsBlock(CDeviceSession& session, int blockId, const char* readText,
                       const char* writeText) {
    session.ConsoleWrite(readText, 1);
    std::vector<std::uint8_t> block(protocol::BlockSize(blockId));
    if (!session.ReadBlock(blockId, block.data())) {
        return;
    }
    Editor editor(session.ParentWindow());
    if (!editor.m_record.Load(block.data(), block.size())) {
        return;
    }
    if (editor.DoModal() != IDOK) {
        return;
    }
    session.ConsoleWrite(writeText, 1);
    // A failed write has been reported by the session; nothing is retried.
    session.WriteBlock(blockId, editor.m_record.Data());
}
