#include "agent/input/uinput/UsKeyboardLayout.h"

#include <linux/input-event-codes.h>

#include <array>

namespace mirrodex {
namespace {

// Characters 0x20..0x7E in order.
constexpr std::array<UsKey, 95> kPrintable = {{
    {KEY_SPACE, false},     {KEY_1, true},           {KEY_APOSTROPHE, true},  // space ! "
    {KEY_3, true},          {KEY_4, true},           {KEY_5, true},           // # $ %
    {KEY_7, true},          {KEY_APOSTROPHE, false}, {KEY_9, true},           // & ' (
    {KEY_0, true},          {KEY_8, true},           {KEY_EQUAL, true},       // ) * +
    {KEY_COMMA, false},     {KEY_MINUS, false},      {KEY_DOT, false},        // , - .
    {KEY_SLASH, false},     {KEY_0, false},          {KEY_1, false},          // / 0 1
    {KEY_2, false},         {KEY_3, false},          {KEY_4, false},          // 2 3 4
    {KEY_5, false},         {KEY_6, false},          {KEY_7, false},          // 5 6 7
    {KEY_8, false},         {KEY_9, false},          {KEY_SEMICOLON, true},   // 8 9 :
    {KEY_SEMICOLON, false}, {KEY_COMMA, true},       {KEY_EQUAL, false},      // ; < =
    {KEY_DOT, true},        {KEY_SLASH, true},       {KEY_2, true},           // > ? @
    {KEY_A, true},          {KEY_B, true},           {KEY_C, true},           // A B C
    {KEY_D, true},          {KEY_E, true},           {KEY_F, true},           // D E F
    {KEY_G, true},          {KEY_H, true},           {KEY_I, true},           // G H I
    {KEY_J, true},          {KEY_K, true},           {KEY_L, true},           // J K L
    {KEY_M, true},          {KEY_N, true},           {KEY_O, true},           // M N O
    {KEY_P, true},          {KEY_Q, true},           {KEY_R, true},           // P Q R
    {KEY_S, true},          {KEY_T, true},           {KEY_U, true},           // S T U
    {KEY_V, true},          {KEY_W, true},           {KEY_X, true},           // V W X
    {KEY_Y, true},          {KEY_Z, true},           {KEY_LEFTBRACE, false},  // Y Z [
    {KEY_BACKSLASH, false}, {KEY_RIGHTBRACE, false}, {KEY_6, true},           // \ ] ^
    {KEY_MINUS, true},      {KEY_GRAVE, false},      {KEY_A, false},          // _ ` a
    {KEY_B, false},         {KEY_C, false},          {KEY_D, false},          // b c d
    {KEY_E, false},         {KEY_F, false},          {KEY_G, false},          // e f g
    {KEY_H, false},         {KEY_I, false},          {KEY_J, false},          // h i j
    {KEY_K, false},         {KEY_L, false},          {KEY_M, false},          // k l m
    {KEY_N, false},         {KEY_O, false},          {KEY_P, false},          // n o p
    {KEY_Q, false},         {KEY_R, false},          {KEY_S, false},          // q r s
    {KEY_T, false},         {KEY_U, false},          {KEY_V, false},          // t u v
    {KEY_W, false},         {KEY_X, false},          {KEY_Y, false},          // w x y
    {KEY_Z, false},         {KEY_LEFTBRACE, true},   {KEY_BACKSLASH, true},   // z { |
    {KEY_RIGHTBRACE, true}, {KEY_GRAVE, true},                                // } ~
}};

}  // namespace

std::optional<UsKey> UsKeyForCharacter(char32_t character) {
  if (character < 0x20 || character > 0x7E) return std::nullopt;
  return kPrintable[character - 0x20];
}

}  // namespace mirrodex
