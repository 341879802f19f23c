#include "BiffDecryption.h"

#include <QCryptographicHash>
#include <array>

namespace {
constexpr std::size_t kBlockSize = 1024;  // the key changes every 1024 bytes of the stream

class Rc4 {
 public:
  explicit Rc4(const QByteArray &key) {
    for (int i = 0; i < 256; ++i) s_[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
      j = static_cast<std::uint8_t>(j + s_[i] + static_cast<std::uint8_t>(key[i % key.size()]));
      std::swap(s_[i], s_[j]);
    }
  }
  std::uint8_t next() {
    i_ = static_cast<std::uint8_t>(i_ + 1);
    j_ = static_cast<std::uint8_t>(j_ + s_[i_]);
    std::swap(s_[i_], s_[j_]);
    return s_[static_cast<std::uint8_t>(s_[i_] + s_[j_])];
  }
  QByteArray apply(QByteArray data) {
    for (char &c : data) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ next());
    return data;
  }

 private:
  std::array<std::uint8_t, 256> s_{};
  std::uint8_t i_ = 0, j_ = 0;
};

QByteArray Utf16(const QString &text) {
  QByteArray out;
  for (QChar c : text) out.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
  return out;
}

QByteArray Le32(std::uint32_t v) {
  QByteArray out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = char((v >> (8 * i)) & 0xFF);
  return out;
}

QByteArray Hash(QCryptographicHash::Algorithm algorithm, const QByteArray &data) {
  return QCryptographicHash::hash(data, algorithm);
}

// How the key of each 1024-byte block is made, and the verifier that checks the password.
struct KeyScheme {
  QCryptographicHash::Algorithm algorithm = QCryptographicHash::Md5;
  QByteArray base;  // hashed with the block number
  int keyBytes = 16;
  QByteArray verifier, verifierHash;

  QByteArray blockKey(std::uint32_t block) const {
    QByteArray key = Hash(algorithm, base + Le32(block)).left(keyBytes);
    // A 40-bit CryptoAPI key is used as 128 bits with the rest zero.
    if (algorithm == QCryptographicHash::Sha1 && keyBytes == 5) key.append(QByteArray(11, '\0'));
    return key;
  }
  bool verifies() const {
    Rc4 rc4(blockKey(0));
    const QByteArray plain = rc4.apply(verifier);
    const QByteArray hash = rc4.apply(verifierHash);
    return Hash(algorithm, plain) == hash.left(Hash(algorithm, plain).size());
  }
};

bool ReadScheme(const ByteSpan &b, const QString &password, KeyScheme &scheme) {
  const auto bytes = [&](std::size_t at, std::size_t n) {
    return QByteArray(reinterpret_cast<const char *>(b.data + at), static_cast<qsizetype>(n));
  };
  if (b.size < 6 || biff::U16(b.data) != 1) return false;  // 0: XOR obfuscation
  const std::uint16_t major = biff::U16(b.data + 2), minor = biff::U16(b.data + 4);
  if (major == 1 && minor == 1) {
    if (b.size < 6 + 48) return false;
    const QByteArray salt = bytes(6, 16);
    const QByteArray h0 = Hash(QCryptographicHash::Md5, Utf16(password)).left(5);
    QByteArray buffer;
    for (int i = 0; i < 16; ++i) buffer += h0 + salt;
    scheme.algorithm = QCryptographicHash::Md5;
    scheme.base = Hash(QCryptographicHash::Md5, buffer).left(5);
    scheme.keyBytes = 16;
    scheme.verifier = bytes(22, 16);
    scheme.verifierHash = bytes(38, 16);
    return true;
  }
  if (major >= 2 && major <= 4 && minor == 2) {
    if (b.size < 14) return false;
    const std::uint32_t headerSize = biff::U32(b.data + 10);
    const std::size_t header = 14;
    if (headerSize < 32 || b.size < header + headerSize + 4 + 16 + 16 + 4 + 20) return false;
    const std::uint32_t keyBits = biff::U32(b.data + header + 16);
    const std::size_t verifierAt = header + headerSize;
    if (biff::U32(b.data + verifierAt) != 16) return false;
    const QByteArray salt = bytes(verifierAt + 4, 16);
    scheme.algorithm = QCryptographicHash::Sha1;
    scheme.base = Hash(QCryptographicHash::Sha1, salt + Utf16(password));
    scheme.keyBytes = keyBits == 0 ? 5 : static_cast<int>(std::min<std::uint32_t>(keyBits / 8, 20));
    scheme.verifier = bytes(verifierAt + 20, 16);
    scheme.verifierHash = bytes(verifierAt + 40, 20);
    return scheme.keyBytes >= 5;
  }
  return false;
}

bool IsPlainRecord(std::uint16_t type) {
  // BOF, FILEPASS, UsrExcl, FileLock, InterfaceHdr, RRDInfo, RRDHead are never encrypted.
  switch (type) {
    case biff::kBof:
    case biff::kFilePass:
    case 0x0194:
    case 0x0195:
    case 0x00E1:
    case 0x0196:
    case 0x0138:
      return true;
    default:
      return false;
  }
}
}  // namespace

bool DecryptBiffStream(QByteArray &stream, const ByteSpan &filePass, const QString &password) {
  KeyScheme scheme;
  if (!ReadScheme(filePass, password, scheme) || !scheme.verifies()) return false;
  auto *data = reinterpret_cast<std::uint8_t *>(stream.data());
  const auto size = static_cast<std::size_t>(stream.size());
  std::uint32_t block = UINT32_MAX;
  std::array<std::uint8_t, kBlockSize> keystream{};
  auto decrypt = [&](std::size_t from, std::size_t to) {
    for (std::size_t o = from; o < to; ++o) {
      if (o / kBlockSize != block) {
        block = static_cast<std::uint32_t>(o / kBlockSize);
        Rc4 rc4(scheme.blockKey(block));
        for (std::uint8_t &k : keystream) k = rc4.next();
      }
      data[o] ^= keystream[o % kBlockSize];
    }
  };
  std::size_t pos = 0;
  while (size - pos >= 4) {
    const std::uint16_t type = biff::U16(data + pos);
    const std::size_t length = std::min<std::size_t>(biff::U16(data + pos + 2), size - pos - 4);
    const std::size_t body = pos + 4;
    if (!IsPlainRecord(type))
      decrypt(type == biff::kBoundSheet ? body + std::min<std::size_t>(4, length) : body,
              body + length);
    pos = body + length;
  }
  return true;
}
