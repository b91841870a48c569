// battle_messages.h -- the battle messages: ship updates, weapons, new ships, ship types and radio
#pragma once

#include <cstdint>

#include "common/wire.h"
#include "sim/mobile.h"

enum {
    BATTLE_LINE_SIZE = 256,
    NEWSHIP_TEXT_LEN = WIRE_NAME_LEN, // characters of each text field kept
    BATTLE_HEAR_DC = 2000,            // depth charges dropped closer than this are heard
    TORPEDO_LIFE = 120,               // seconds a torpedo runs unless it hits
    TORPEDO_DEPTH = 2,
};

// The battle's records are the wire codec's.
typedef WireUpdate UpdateMssg;     // T_UPDATE
typedef WireWeapon WeaponMssg;     // T_WEAPON
typedef WireNewShip NewShipMssg;   // T_NEWSHIP
typedef WireShipType ShipTypeMssg; // T_SHIPTYPE

char *CreateUpdateMssg(const UpdateMssg *m);
// The T_UPDATE line of the record, in a buffer of its own valid until the next call.

char *CreateWeaponMssg(const WeaponMssg *m);
// The T_WEAPON line of the record, in a buffer of its own valid until the next call.

UpdateMssg *UnpackUpdatePacket(const char *text);
// Reads a T_UPDATE argument; fields after the first unreadable one stay 0.
WeaponMssg *UnpackWeaponPacket(const char *text);
// Reads a T_WEAPON argument the same way.
NewShipMssg *UnpackNewShipPacket(const char *text);
// Reads a T_NEWSHIP argument; text fields are cut to 15 characters, an empty one stops the read.
ShipTypeMssg *UnpackShipTypePacket(const char *text);
// Reads a T_SHIPTYPE argument the same way.
// Each returns a record of its own, cleared before the read and valid until the next call.

void SendUpdatePacket(int32_t kind, const Mobile *m);
// Reports the mobile's orders, velocity and position to the server.

void SendWeaponPacket(int32_t kind, const Mobile *m, const Mobile *target);
// Reports a weapon event of `m` at `target` (at itself when there is none).

void SendHitPacket(const Mobile *torpedo, const Mobile *ship);
// Reports that the own torpedo has hit the ship.

void SendTorpedoLaunchPacket(const int32_t *position, const uint16_t *angles);
// Reports a torpedo fired from `position` (x, y, z) on the heading angles[1] (pitch, heading,
// roll); the server answers with the torpedo's launch line.

void SendRadioPacket(const char *text, int32_t addressee);
// Sends a radio line to addressee 0 "All", 1 "Them" or 2 "Us".

void AddNewShip(const NewShipMssg *m);
// Creates the mobile of a new-ship message; the own ship starts the battle.

int32_t PacketUpdate(const char *text);
int32_t PacketWeapon(const char *text);
int32_t PacketNewShip(const char *text);
int32_t PacketShipType(const char *text);
int32_t PacketUpdateReq(const char *text);
int32_t PacketRadio(const char *text);
// The battle's packet handlers (T_UPDATE, T_WEAPON, T_NEWSHIP, T_SHIPTYPE, T_UPDATEREQ, T_RADIO).
