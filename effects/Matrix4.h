// A 4 x 4 single-precision matrix stored row by row, acting on row vectors:
// p'[j] = x m[0][j] + y m[1][j] + z m[2][j] + m[3][j].
#pragma once

struct Vector3 {
    float x;
    float y;
    float z;
};

struct Matrix4 {
    float m[4][4];

    void setIdentity();
    void copy(const Matrix4& other);

    // this x other, each entry summed over k = 0..3 in order.
    Matrix4 multiply(const Matrix4& other) const;
    Vector3 transform(const Vector3& p) const;

    // Rx(a) Ry(b) Rz(c): applied to a row vector it turns about X first, then
    // Y, then Z. Angles in radians.
    static Matrix4 rotation(float a, float b, float c);
};
